#include "WindowViews.h"

#include <QCoreApplication>
#include <QObject>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QWidget>
#include <functional>

#include "GuiRelay.h"
#include "QtUserInterface.h"

MemoProgressView::MemoProgressView(QPlainTextEdit* memo)
    : FMemo(memo), FRelay(std::make_unique<GuiRelay>([this] { Flush(); })) {}

MemoProgressView::~MemoProgressView() = default;

void MemoProgressView::InsertLine(const std::string& line) {
  Post({Kind::Insert, QString::fromStdString(line)});
}

void MemoProgressView::AppendLine(const std::string& line) {
  Post({Kind::Append, QString::fromStdString(line)});
}

void MemoProgressView::Clear() { Post({Kind::Clear, {}}); }

void MemoProgressView::ProcessEvents() {
  if (!OnApplicationThread()) return;
  Flush();
  QCoreApplication::processEvents();
}

void MemoProgressView::Post(Step step) {
  const bool here = OnApplicationThread();
  {
    std::lock_guard lock(FMutex);
    FPending.push_back(std::move(step));
    if (!here) {
      if (FFlushQueued) return;
      FFlushQueued = true;
    }
  }
  if (here) {
    Flush();  // steps a worker queued before this one are applied first
  } else {
    QMetaObject::invokeMethod(FRelay.get(), "Flush", Qt::QueuedConnection);
  }
}

void MemoProgressView::Flush() {
  std::vector<Step> steps;
  {
    std::lock_guard lock(FMutex);
    steps.swap(FPending);
    FFlushQueued = false;
  }
  if (!FMemo) return;
  for (const Step& s : steps) {
    switch (s.kind) {
      case Kind::Insert:
        if (FMemo->document()->isEmpty()) {
          FMemo->setPlainText(s.text);
        } else {
          QTextCursor top(FMemo->document());
          top.movePosition(QTextCursor::Start);
          top.insertText(s.text + QLatin1Char('\n'));
        }
        break;
      case Kind::Append:
        FMemo->appendPlainText(s.text);
        break;
      case Kind::Clear:
        FMemo->clear();
        break;
    }
  }
}

WidgetConnectionLights::WidgetConnectionLights(QWidget* green, QWidget* red)
    : FGreen(green), FRed(red), FRelay(std::make_unique<GuiRelay>()) {}

WidgetConnectionLights::~WidgetConnectionLights() = default;

void WidgetConnectionLights::SetGreenVisible(bool visible) { Apply(FGreen, visible); }

void WidgetConnectionLights::SetRedVisible(bool visible) { Apply(FRed, visible); }

void WidgetConnectionLights::Apply(QWidget* light, bool visible) {
  if (OnApplicationThread()) {
    FRelay->SetVisible(light, visible);
  } else {
    // The lights are the window's children and outlive the relay, which drops what is queued
    // when it goes.
    QMetaObject::invokeMethod(FRelay.get(), "SetVisible", Qt::QueuedConnection,
                              Q_ARG(QWidget*, light), Q_ARG(bool, visible));
  }
}
