#pragma once

namespace forms {

// Today's local date as the program sees it. Tests put a stand-in in place with setInstance();
// the program itself always reads the machine's local clock.
class Clock {
public:
    virtual ~Clock() = default;

    // Day of the month, 1..31, of the current local date.
    static int dayOfMonth();

    // Takes ownership; nullptr goes back to the real clock.
    static void setInstance(Clock* clock);

protected:
    virtual int currentDayOfMonth() const;
};

// The day of the month of the machine's local date, as the platform tells it (defined for each
// platform the program is built for).
int localDayOfMonth();

} // namespace forms
