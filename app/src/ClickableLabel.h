#pragma once
// A label (picture or caption) that acts as a command when clicked, like the window's pictures
// with a click handler.

#include <QLabel>
#include <QMouseEvent>

class ClickableLabel final : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
  }
};
