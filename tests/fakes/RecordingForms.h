#pragma once

// Stand-ins for the forms runtime that write down every call the logic makes, in order.

#include "platform/clock.h"
#include "platform/forms.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fakes {

using Log = std::vector<std::string>;

class RecordingForm : public forms::Form {
public:
    explicit RecordingForm(Log& log, std::set<std::string> names = {"L1", "L2", "L3", "L4"})
        : log_(log)
        , names_(std::move(names)) {}

    std::shared_ptr<forms::Controls> controls() override {
        log_.push_back("controls");
        return std::make_shared<Collection>(*this);
    }

    std::map<std::string, std::string> captions;

private:
    class Label : public forms::Control {
    public:
        Label(RecordingForm& form, std::string name)
            : form_(form)
            , name_(std::move(name)) {}
        void setCaption(std::string_view text) override {
            form_.log_.push_back("caption " + name_);
            form_.captions[name_] = std::string(text);
        }

    private:
        RecordingForm& form_;
        std::string name_;
    };

    class Collection : public forms::Controls {
    public:
        explicit Collection(RecordingForm& form)
            : form_(form) {}
        ~Collection() override { form_.log_.push_back("release"); }
        forms::Control& item(std::string_view name) override {
            form_.log_.push_back("item " + std::string(name));
            if (!form_.names_.count(std::string(name)))
                forms::raiseControlNotFound(name);
            return labels_.emplace(std::string(name), Label(form_, std::string(name))).first->second;
        }

    private:
        RecordingForm& form_;
        std::map<std::string, Label> labels_;
    };

    Log& log_;
    std::set<std::string> names_;
};

class RecordingMenuItem : public forms::MenuItem {
public:
    RecordingMenuItem(Log& log, std::string name, bool enabled)
        : log_(log)
        , name_(std::move(name))
        , enabled_(enabled) {}
    void setEnabled(bool enabled) override {
        log_.push_back(name_ + (enabled ? " on" : " off"));
        enabled_ = enabled;
    }
    // What a user would find: a disabled item cannot be chosen.
    bool isEnabled() const { return enabled_; }

private:
    Log& log_;
    std::string name_;
    bool enabled_;
};

// A clock whose day the test sets; owned by forms::Clock once installed.
class FakeClock : public forms::Clock {
public:
    static FakeClock& install(int day) {
        auto* clock = new FakeClock;
        clock->day = day;
        forms::Clock::setInstance(clock);
        return *clock;
    }
    int day = 1;
    mutable int reads = 0;

protected:
    int currentDayOfMonth() const override {
        ++reads;
        return day;
    }
};

// A window that raises its resize handler inside every set that changes its size, as the
// platform does. With whole pixels it keeps sizes as pixels, the way a real window system does.
class FakeWindow : public forms::Window {
public:
    FakeWindow(Log& log, float heightTwips, float widthTwips, bool wholePixels)
        : log_(log)
        , wholePixels_(wholePixels)
        , height_(store(heightTwips))
        , width_(store(widthTwips)) {}

    forms::WindowState state = forms::WindowState::Normal;
    std::function<void()> onResize;
    int calls = 0;
    int deepest = 0;

    void resizeEvent() {
        ++calls;
        ++depth_;
        deepest = std::max(deepest, depth_);
        if (depth_ > 8)
            throw std::logic_error("resize events nest without end");
        onResize();
        --depth_;
    }

    forms::WindowState windowState() const override { return state; }
    float height() const override { return height_; }
    float width() const override { return width_; }
    void setHeight(float twips) override { set(height_, twips, "height"); }
    void setWidth(float twips) override { set(width_, twips, "width"); }

private:
    float store(float twips) const {
        return wholePixels_ ? float(int(twips / forms::twipsPerPixel + 0.5f)) * forms::twipsPerPixel : twips;
    }
    void set(float& size, float twips, const char* what) {
        log_.push_back(std::string("set ") + what);
        const float stored = store(twips);
        if (stored == size)
            return;
        size = stored;
        resizeEvent();
    }

    Log& log_;
    bool wholePixels_;
    float height_;
    float width_;
    int depth_ = 0;
};

} // namespace fakes
