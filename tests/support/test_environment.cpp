// Linked into every test program: the time zone and the locale are fixed
// before main() runs, so results do not depend on the machine's settings
// (child processes the tests start inherit them).

#include <cstdlib>
#include <ctime>

namespace {

struct FixedEnvironment {
    FixedEnvironment() {
        setenv("TZ", "Europe/Berlin", 1);
        setenv("LANG", "C.UTF-8", 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        unsetenv("LANGUAGE");
        tzset();
    }
} g_fixedEnvironment;

}  // namespace
