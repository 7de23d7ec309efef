// Threads of the host: C4DThread (a plug-in object run on a host thread) and MPThreadPool
// (a group of worker threads started together from a parent thread and waited for).
#ifndef C4D_THREAD_H
#define C4D_THREAD_H

#include "c4d_general.h"
#include "c4d_types.h"

enum THREADMODE : Int32 { THREADMODE_SYNCHRONOUS = C4D_THREADMODE_SYNCHRONOUS, THREADMODE_ASYNC = C4D_THREADMODE_ASYNC };
enum THREADPRIORITY : Int32 { THREADPRIORITY_NORMAL = C4D_THREADPRIORITY_NORMAL };

// The number of processor threads the host offers to plug-ins (at least 1).
Int32 GeGetCurrentThreadCount();

class BaseThread;  // the host's thread handle, C4D_Thread

// A unit of work that the host runs on one of its threads. Derived classes implement Main.
class C4DThread {
 public:
  C4DThread() = default;
  virtual ~C4DThread();
  C4DThread(const C4DThread&) = delete;
  C4DThread& operator=(const C4DThread&) = delete;

  // Starts Main on a host thread (ASYNC: returns at once). false: the host could not start it.
  Bool Start(THREADMODE mode = THREADMODE_ASYNC, THREADPRIORITY priority = THREADPRIORITY_NORMAL);
  // true while Main has been started and has not returned.
  Bool IsRunning();
  // Blocks until Main has returned (or the thread never started).
  void Wait(Bool checkevents = false);
  // Asks the thread to stop and, if wait, waits for it.
  void End(Bool wait = true);
  // true when asked to stop; also consults TestDBreak.
  Bool TestBreak();

  // Virtual slots in the host SDK's order: destructor, TestDBreak, Main, GetThreadName.
  virtual Bool TestDBreak() { return false; }
  virtual void Main() = 0;
  virtual const Char* GetThreadName() = 0;

  // The host's handle of this thread, created on first need; nullptr if the host had no memory.
  C4D_Thread* Get();

 private:
  C4D_Thread* thread_ = nullptr;
};

// A group of `count` worker threads started together from a parent thread.
class MPThreadPool {
 public:
  MPThreadPool() = default;
  ~MPThreadPool() { Free(); }
  MPThreadPool(const MPThreadPool&) = delete;
  MPThreadPool& operator=(const MPThreadPool&) = delete;

  // Forms the group on parent with the given workers. false: out of memory.
  Bool Init(C4DThread& parent, Int32 count, C4DThread** threads);
  // Starts the workers one by one; if one cannot start, ends the group and answers false.
  Bool Start(THREADPRIORITY priority = THREADPRIORITY_NORMAL);
  // Blocks until every worker has returned.
  void Wait();
  // Asks the workers to end and waits for them.
  void End();
  // Ends and releases the group.
  void Free();

 private:
  C4D_ThreadGroup* group_ = nullptr;
};

#endif
