#include "c4d_thread.h"

#include "c4d_memory.h"

namespace {

void ThreadMain(void* user) { static_cast<C4DThread*>(user)->Main(); }
bool ThreadTestBreak(void* user) { return static_cast<C4DThread*>(user)->TestDBreak(); }
const char* ThreadName(void* user) { return static_cast<C4DThread*>(user)->GetThreadName(); }

const C4D_ThreadHooks kThreadHooks = {static_cast<int32_t>(sizeof(C4D_ThreadHooks)), ThreadMain,
                                      ThreadTestBreak, ThreadName};

}  // namespace

Int32 GeGetCurrentThreadCount() { return C4DOS()->threads->processor_count(); }

C4DThread::~C4DThread() {
  if (thread_) C4DOS()->threads->thread_free(thread_);
}

C4D_Thread* C4DThread::Get() {
  if (!thread_) thread_ = C4DOS()->threads->thread_alloc(this, &kThreadHooks);
  return thread_;
}

Bool C4DThread::Start(THREADMODE mode, THREADPRIORITY priority) {
  C4D_Thread* t = Get();
  return t != nullptr && C4DOS()->threads->thread_start(t, mode, priority);
}

Bool C4DThread::IsRunning() { return thread_ != nullptr && C4DOS()->threads->thread_is_running(thread_); }

void C4DThread::Wait(Bool) {
  if (thread_) C4DOS()->threads->thread_wait(thread_);
}

void C4DThread::End(Bool wait) {
  if (thread_) C4DOS()->threads->thread_end(thread_, wait);
}

Bool C4DThread::TestBreak() {
  if (TestDBreak()) return true;
  return thread_ != nullptr && C4DOS()->threads->thread_test_break(thread_);
}

Bool MPThreadPool::Init(C4DThread& parent, Int32 count, C4DThread** threads) {
  Free();
  if (count < 1 || threads == nullptr) return false;
  C4D_Thread* parentHandle = parent.Get();
  if (!parentHandle) return false;
  C4D_Thread** handles = NewMemClear(C4D_Thread*, count);
  if (!handles) return false;
  Bool ok = true;
  for (Int32 i = 0; i < count && ok; ++i) {
    handles[i] = threads[i] ? threads[i]->Get() : nullptr;
    ok = handles[i] != nullptr;
  }
  if (ok) group_ = C4DOS()->threads->group_alloc(parentHandle, count, handles);
  DeleteMem(handles);
  return group_ != nullptr;
}

Bool MPThreadPool::Start(THREADPRIORITY priority) {
  return group_ != nullptr && C4DOS()->threads->group_start(group_, priority);
}

void MPThreadPool::Wait() {
  if (group_) C4DOS()->threads->group_wait(group_);
}

void MPThreadPool::End() {
  if (group_) C4DOS()->threads->group_end(group_);
}

void MPThreadPool::Free() {
  if (group_) {
    C4DOS()->threads->group_free(group_);
    group_ = nullptr;
  }
}
