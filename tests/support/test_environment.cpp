// Linked into every test program: the time zone and the locale are fixed
// before main() runs, so results do not depend on the machine's settings
// (child processes the tests start inherit them).

#include <cstdlib>
#include <ctime>

namespace {

struct FixedEnvironment {
    FixedEnvironment() {
        setenv("TZ", "Europe/Berlin", 1);
        // OSTREL_TEST_LOCALE runs a test in one regional format on purpose
        // (12-hour times, Russian names).
        const char* wanted = std::getenv("OSTREL_TEST_LOCALE");
        const char* locale = wanted && *wanted ? wanted : "C.UTF-8";
        setenv("LANG", locale, 1);
        setenv("LC_ALL", locale, 1);
        unsetenv("LANGUAGE");
        tzset();
    }
} g_fixedEnvironment;

}  // namespace
