// The windows' lifecycle: each window kind has one shared instance, created
// on first reference, loaded when first shown or when its native handle is
// first needed, and discarded on unload so the next reference makes a fresh
// one.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace orv::app {

class AppWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AppWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    bool IsLoaded() const { return loaded_; }
    // Runs the load handler once.
    void EnsureLoaded();
    // The native window handle; loads the window first.
    WId Handle();

    // Showing a window loads it first, so its load runs before it appears.
    void setVisible(bool visible) override;

  protected:
    // The window's own load, unload and activation handlers.
    virtual void OnLoad() {}
    virtual void OnUnload() {}
    virtual void OnActivate() {}

    // The user closing the window unloads it.
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    template <class W>
    friend class SharedWindow;
    void RunUnload();

    bool loaded_ = false;
    bool unloading_ = false;
    // Set by the shared instance holding this window: drops it from there.
    std::function<void()> discard_;
};

// The one shared instance of a window kind.
template <class W>
class SharedWindow {
  public:
    SharedWindow() : make_([] { return new W(); }) {}
    // For a window kind whose instance is made with arguments.
    explicit SharedWindow(std::function<W*()> make) : make_(std::move(make)) {}

    // The instance, made on first reference (not loaded yet).
    W& Get() {
        if (!window_) {
            window_ = make_();
            window_->discard_ = [this] { Discard(); };
        }
        return *window_;
    }
    W* operator->() { return &Get(); }

    // Whether an instance exists now, without making one.
    bool Exists() const { return !window_.isNull(); }
    bool IsLoaded() const { return window_ && window_->IsLoaded(); }

    // Unloads a loaded window: its unload handler runs, it disappears, and
    // the next reference makes a fresh instance. A window that is not
    // loaded is left alone.
    void Unload() {
        if (IsLoaded()) window_->RunUnload();
    }

  private:
    void Discard() {
        W* window = window_.data();
        window_.clear();
        if (window) {
            window->hide();
            window->deleteLater();
        }
    }
    std::function<W*()> make_;
    QPointer<W> window_;
};

}  // namespace orv::app
