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

// A form whose collection of controls is itself; dropping the last pointer to it is its release.
struct RecordingForm : forms::Form, forms::Controls {
    struct Label : forms::Control {
        RecordingForm& form;
        std::string name;
        Label(RecordingForm& owner, std::string key)
            : form(owner)
            , name(std::move(key)) {}
        void setCaption(std::string_view text) override {
            form.log.push_back("caption " + name);
            form.captions[name] = std::string(text);
        }
    };

    explicit RecordingForm(Log& recorder)
        : log(recorder) {}
    std::shared_ptr<forms::Controls> controls() override {
        log.push_back("controls");
        return std::shared_ptr<forms::Controls>(this, [this](forms::Controls*) { log.push_back("release"); });
    }
    forms::Control& item(std::string_view name) override {
        log.push_back("item " + std::string(name));
        if (!labels.count(std::string(name)))
            forms::raiseControlNotFound(name);
        return made.try_emplace(std::string(name), *this, std::string(name)).first->second;
    }

    Log& log;
    const std::set<std::string> labels{"L1", "L2", "L3", "L4"};
    std::map<std::string, Label> made;
    std::map<std::string, std::string> captions;
};

struct RecordingMenuItem : forms::MenuItem {
    Log& log;
    std::string name;
    bool enabled; // what a user finds: a disabled item cannot be chosen
    RecordingMenuItem(Log& recorder, std::string item, bool on)
        : log(recorder)
        , name(std::move(item))
        , enabled(on) {}
    void setEnabled(bool on) override {
        log.push_back(name + (on ? " on" : " off"));
        enabled = on;
    }
};

// A clock whose day the test sets; owned by forms::Clock once installed.
struct FakeClock : forms::Clock {
    int day = 1;
    mutable int reads = 0;
    static FakeClock& install(int day) {
        auto* clock = new FakeClock;
        clock->day = day;
        forms::Clock::setInstance(clock);
        return *clock;
    }
    int currentDayOfMonth() const override { return ++reads, day; }
};

// A window that raises its resize handler inside every set that changes its size, as the
// toolkits do. With whole pixels it keeps sizes as pixels, the way a real window system does.
struct FakeWindow : forms::Window {
    Log& log;
    bool wholePixels;
    float heightTwips, widthTwips;
    forms::WindowState state = forms::WindowState::Normal;
    std::function<void()> onResize;
    int depth = 0, deepest = 0;

    FakeWindow(Log& recorder, float height, float width, bool pixels)
        : log(recorder)
        , wholePixels(pixels)
        , heightTwips(store(height))
        , widthTwips(store(width)) {}
    void resizeEvent() {
        deepest = std::max(deepest, ++depth);
        if (depth > 8)
            throw std::logic_error("resize events nest without end");
        if (onResize)
            forms::dispatch(onResize);
        --depth;
    }
    forms::WindowState windowState() const override { return state; }
    float height() const override { return heightTwips; }
    float width() const override { return widthTwips; }
    void setHeight(float twips) override { set(heightTwips, twips, "height"); }
    void setWidth(float twips) override { set(widthTwips, twips, "width"); }
    void readingChanged() override { log.push_back("reading"); }
    float store(float size) const { return wholePixels ? forms::twips(forms::pixels(size)) : size; }
    void set(float& size, float twips, const char* what) {
        log.push_back(std::string("set ") + what);
        if (store(twips) != size)
            size = store(twips), resizeEvent();
    }
};

// A window made from its description: its menu items in their design-time states, its labels
// recorded, its events raised by the test as a user would raise them.
struct FakeFormWindow : forms::FormWindow {
    Log& log;
    std::shared_ptr<RecordingForm> form;
    FakeWindow window;
    std::map<std::string, RecordingMenuItem, std::less<>> items;
    std::map<std::string, std::function<void()>, std::less<>> clicks;

    FakeFormWindow(Log& recorder, const forms::FormDescription& description)
        : log(recorder)
        , form(std::make_shared<RecordingForm>(recorder))
        , window(recorder, 6000, 8000, true) {
        for (const forms::MenuDescription& item : description.menu)
            items.try_emplace(std::string(item.name), recorder, std::string(item.name), item.enabled);
    }
    forms::Window& outer() override { return window; }
    forms::MenuItem& menuItem(std::string_view name) override { return item(name); }
    std::shared_ptr<forms::Form> handle() override { return form; }
    void onResize(std::function<void()> handler) override { window.onResize = std::move(handler); }
    void onClick(std::string_view name, std::function<void()> handler) override {
        clicks[std::string(name)] = std::move(handler);
    }
    void placeCentred(forms::OuterSize size) override {
        log.push_back("place " + std::to_string(int(size.height)) + "x" + std::to_string(int(size.width)));
    }
    void show() override { log.push_back("show"), window.resizeEvent(); }
    void showModal() override { log.push_back("show modal"), window.resizeEvent(); }

    // A click or access key reaches the handler only while the item is enabled.
    void click(std::string_view name) {
        if (item(name).enabled && clicks.count(name))
            forms::dispatch(clicks.find(name)->second);
    }
    RecordingMenuItem& item(std::string_view name) {
        const auto found = items.find(name);
        if (found == items.end())
            forms::raiseControlNotFound(name);
        return found->second;
    }
};

struct FakeToolkit : forms::Toolkit {
    Log& log;
    std::vector<FakeFormWindow*> made;

    explicit FakeToolkit(Log& recorder)
        : log(recorder) {}
    std::unique_ptr<forms::FormWindow> makeWindow(const forms::FormDescription& description) override {
        log.push_back("make " + std::string(description.name));
        auto window = std::make_unique<FakeFormWindow>(log, description);
        made.push_back(window.get());
        return window;
    }
    int run() override { return log.push_back("run"), 0; }
};

} // namespace fakes
