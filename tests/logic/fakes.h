#pragma once

// Stand-ins for the toolkit that write down every call the program makes, in order.

#include "platform/clock.h"
#include "platform/toolkit.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace fakes {

using Log = std::vector<std::string>;

class RecordingForm : public forms::Form, public forms::Controls {
public:
    explicit RecordingForm(Log& log, std::set<std::string> names = {"L1", "L2", "L3", "L4"})
        : log_(log)
        , names_(std::move(names)) {}

    std::shared_ptr<forms::Controls> controls() override {
        log_.push_back("controls");
        // The collection is the form itself; dropping the last pointer to it is its release.
        return std::shared_ptr<forms::Controls>(this,
                                                [this](forms::Controls*) { log_.push_back("release"); });
    }
    forms::Control& item(std::string_view name) override {
        log_.push_back("item " + std::string(name));
        if (!names_.count(std::string(name)))
            forms::raiseControlNotFound(name);
        return labels_.try_emplace(std::string(name), *this, std::string(name)).first->second;
    }

    std::map<std::string, std::string> captions;

private:
    struct Label : forms::Control {
        Label(RecordingForm& form, std::string name)
            : form_(form)
            , name_(std::move(name)) {}
        void setCaption(std::string_view text) override {
            form_.log_.push_back("caption " + name_);
            form_.captions[name_] = std::string(text);
        }
        RecordingForm& form_;
        std::string name_;
    };

    Log& log_;
    std::set<std::string> names_;
    std::map<std::string, Label> labels_;
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
// toolkits do. With whole pixels it keeps sizes as pixels, the way a real window system does.
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
        deepest = std::max(deepest, ++depth_);
        if (depth_ > 8)
            throw std::logic_error("resize events nest without end");
        if (onResize)
            forms::dispatch(onResize);
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

// A window made from its description: its menu items in their design-time states, its labels
// recorded, its events raised by the test as a user would raise them.
class FakeFormWindow : public forms::FormWindow {
public:
    FakeFormWindow(Log& log, const forms::FormDescription& description, std::set<std::string> labels)
        : log_(log)
        , form_(std::make_shared<RecordingForm>(log, std::move(labels)))
        , outer_(log, 6000, 8000, true) {
        for (const forms::MenuDescription& item : description.menu)
            items_.try_emplace(std::string(item.name), log, std::string(item.name), item.enabled);
    }

    forms::Window& outer() override { return outer_; }
    forms::MenuItem& menuItem(std::string_view name) override { return item(name); }
    std::shared_ptr<forms::Form> handle() override { return form_; }
    void onResize(std::function<void()> handler) override { outer_.onResize = std::move(handler); }
    void onClick(std::string_view name, std::function<void()> handler) override {
        clicks_[std::string(name)] = std::move(handler);
    }
    void placeCentred(forms::OuterSize size) override {
        log_.push_back("place " + std::to_string(int(size.height)) + "x" + std::to_string(int(size.width)));
    }
    void show() override {
        log_.push_back("show");
        outer_.resizeEvent();
    }
    void showModal() override {
        log_.push_back("show modal");
        outer_.resizeEvent();
    }

    // A click or access key reaches the handler only while the item is enabled.
    void click(std::string_view name) {
        if (item(name).isEnabled() && clicks_.count(std::string(name)))
            forms::dispatch(clicks_.at(std::string(name)));
    }
    RecordingMenuItem& item(std::string_view name) {
        const auto found = items_.find(std::string(name));
        if (found == items_.end())
            forms::raiseControlNotFound(name);
        return found->second;
    }
    RecordingForm& form() { return *form_; }
    FakeWindow& window() { return outer_; }

private:
    Log& log_;
    std::shared_ptr<RecordingForm> form_;
    FakeWindow outer_;
    std::map<std::string, RecordingMenuItem> items_;
    std::map<std::string, std::function<void()>> clicks_;
};

class FakeToolkit : public forms::Toolkit {
public:
    explicit FakeToolkit(Log& log)
        : log_(log) {}
    std::unique_ptr<forms::FormWindow> makeWindow(const forms::FormDescription& description) override {
        log_.push_back("make " + std::string(description.name));
        auto window = std::make_unique<FakeFormWindow>(log_, description, labels);
        made.push_back(window.get());
        return window;
    }
    int run() override {
        log_.push_back("run");
        return 0;
    }
    std::vector<FakeFormWindow*> made;
    std::set<std::string> labels{"L1", "L2", "L3", "L4"};

private:
    Log& log_;
};

} // namespace fakes
