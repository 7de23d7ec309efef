// A library that is not part of any operating system, for the test that a plug-in linked
// against it is refused.
#ifdef _WIN32
#define HELPER_EXPORT extern "C" __declspec(dllexport)
#else
#define HELPER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Answers value + 1.
HELPER_EXPORT int fixture_helper(int value) { return value + 1; }
