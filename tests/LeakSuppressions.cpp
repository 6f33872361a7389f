// Under the leak checker: the font and desktop-bus libraries keep caches for
// the life of the process on purpose; they are not ours to free. Linked into
// every test program.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
