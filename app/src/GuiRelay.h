#pragma once
// The window's end of the calls that the log pane and the lights queue from workers (private
// to WindowViews).

#include <QObject>
#include <QWidget>
#include <functional>

// Receives the calls queued from workers, on the window's thread.
class GuiRelay final : public QObject {
  Q_OBJECT

 public:
  explicit GuiRelay(std::function<void()> flush = {}) : FFlush(std::move(flush)) {}
  Q_INVOKABLE void Flush() {
    if (FFlush) FFlush();
  }
  Q_INVOKABLE void SetVisible(QWidget* widget, bool visible) {
    if (widget) widget->setVisible(visible);
  }

 private:
  std::function<void()> FFlush;
};
