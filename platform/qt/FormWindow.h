#pragma once

#include "platform/toolkit.h"

#include <QAccessible>
#include <QDeadlineTimer>
#include <QMargins>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenuBar;

namespace forms::qt {

class ClientArea;
class FrameRequest;

// A top-level window built once from its fixed description: settings, then controls, then the
// menu tree. It raises the resize event when it is shown, when its size or state changes (once
// the window manager has settled, when the change is the window manager's), and when the window
// manager's frame arrives (that last one comes with no resize of its own).
class FormWindow : public QWidget, public forms::FormWindow, private QAccessible::ActivationObserver {
    Q_OBJECT

public:
    explicit FormWindow(const FormDescription& description);
    ~FormWindow() override;

    const FormDescription& description() const { return description_; }

    forms::Window& outer() override;
    forms::MenuItem& menuItem(std::string_view name) override;
    std::shared_ptr<forms::Form> handle() override;
    void onResize(std::function<void()> handler) override;
    void onClick(std::string_view menuItem, std::function<void()> handler) override;
    void placeCentred(OuterSize size) override;
    void show() override;
    void showModal() override;

    // nullptr when no control has that name.
    forms::Control* control(std::string_view name);
    QLabel* label(std::string_view name, int index = -1) const;
    QAction* action(std::string_view name) const;
    QMenuBar* menuBar() const { return menuBar_; }
    QWidget* clientArea() const;

    // The window with the window manager's frame around it.
    QRect outerGeometry() const;

signals:
    void closed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class LabelControl;
    class MenuItemHandle;
    class OuterFrame;

    void buildMenu();
    void raiseResize();
    void centre(QSize outerSize);
    // The window manager's frame, once Qt or the window manager itself has told it; else none.
    QMargins frame() const;
    // The program's own resize to an outer size, remembered until the window manager has answered.
    void requestOuter(QSize outer);
    // Once the window manager has let the window be for a while: holds the size against what
    // the window system says, then raises the resize event.
    void settled();
    void readingChanged();
    void presentReading();
    void accessibilityActiveChanged(bool active) override;

    const FormDescription& description_;
    QMenuBar* menuBar_ = nullptr;
    ClientArea* client_ = nullptr;
    std::map<std::string, std::unique_ptr<LabelControl>, std::less<>> controls_;
    std::map<std::string, std::unique_ptr<MenuItemHandle>, std::less<>> menuItems_;
    std::unique_ptr<OuterFrame> outer_;
    std::function<void()> resizeHandler_;
    // The frame the window manager said it will draw, until Qt knows it.
    std::unique_ptr<FrameRequest> frameRequest_;
    std::optional<QMargins> announcedFrame_;
    bool centreWhenFramed_ = false;
    QTimer settle_;
    QDeadlineTimer frameWait_;
    std::optional<QSize> requested_;
    int refusals_ = 0;
    // The size the window manager keeps the window at against its requests; none while it grants them.
    QSize refused_;
    bool readingToPresent_ = false;
};

// The program-wide handle on a window: the message module keeps it for the whole run, while the
// window itself goes before the application object does.
class FormHandle : public forms::Form {
public:
    explicit FormHandle(FormWindow* window)
        : window_(window) {}
    std::shared_ptr<forms::Controls> controls() override;

private:
    QPointer<FormWindow> window_;
};

} // namespace forms::qt
