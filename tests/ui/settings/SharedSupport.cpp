// The user-interface tests' shared support (application object, folders, log
// catcher), built into this test program too.
#include "../UiTestSupport.cpp"
