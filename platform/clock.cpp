#include "platform/clock.h"

#include <ctime>
#include <memory>

namespace forms {

namespace {
std::unique_ptr<Clock>& instance() {
    static std::unique_ptr<Clock> clock = std::make_unique<Clock>();
    return clock;
}
} // namespace

int Clock::dayOfMonth() {
    return instance()->currentDayOfMonth();
}

void Clock::setInstance(Clock* clock) {
    instance().reset(clock ? clock : new Clock);
}

int Clock::currentDayOfMonth() const {
    return localDayOfMonth();
}

#if !defined(_WIN32)
int localDayOfMonth() {
    // localtime_r honours TZ and the machine's zone, which is what "today" means to the reader.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_mday;
}
#endif

} // namespace forms
