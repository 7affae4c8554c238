#include "platform/toolwindows.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

namespace {
QPointer<QWidget> gMain;  // the program's main window, once it has one
}

TToolWindows::TToolWindows(QWidget* main) : QObject(main), FMain(main) {
  gMain = main;
  qApp->installEventFilter(this);
}

TToolWindows::~TToolWindows() {
  if (qApp) qApp->removeEventFilter(this);
}

void TToolWindows::FitOnScreen(QWidget* window, const QWidget* main) {
  const QScreen* screen = main && main->isVisible() ? main->screen() : window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  // The frame a window manager adds (title bar, borders) counts as part of the window.
  const QSize decoration = window->frameGeometry().size() - window->geometry().size();
  const QSize room = available.size() - decoration;
  if (window->width() > room.width() || window->height() > room.height()) {
    const QSize fitted = window->size().boundedTo(room).expandedTo(window->minimumSize());
    window->resize(fitted);
  }
  QRect frame = window->frameGeometry();
  const int x = std::clamp(frame.x(), available.left(), std::max(available.left(), available.right() + 1 - frame.width()));
  const int y = std::clamp(frame.y(), available.top(), std::max(available.top(), available.bottom() + 1 - frame.height()));
  if (x != frame.x() || y != frame.y()) window->move(x, y);
}

void TToolWindows::ShowBeside(QWidget* window) {
  QPointer<QWidget> active = QApplication::activeWindow();
  // No window has the keyboard (the last one just closed): it belongs to the window this one
  // serves.
  if (!active) active = window->parentWidget() ? window->parentWidget()->window() : gMain.data();
  window->setAttribute(Qt::WA_ShowWithoutActivating);
  window->show();
  window->raise();
  if (!active || active == window) return;
  // A window system may still activate the new window once it is mapped: the keyboard goes back
  // now and once more after that.
  active->activateWindow();
  QTimer::singleShot(0, active, [active] {
    if (active && active->isVisible() && QApplication::activeWindow() != active) active->activateWindow();
  });
}

bool TToolWindows::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    const Qt::WindowType type = w->windowType();
    if (w->isWindow() && w != FMain && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool) &&
        !qobject_cast<QMenu*>(w)) {
      // A title bar shows the title beside its buttons: a narrow dialog gets its title cut.
      const int titled = w->fontMetrics().horizontalAdvance(w->windowTitle()) + 120;
      if (!w->windowTitle().isEmpty() && w->width() < titled && w->maximumWidth() >= titled) w->resize(titled, w->height());
      FitOnScreen(w, FMain);
      if (!qobject_cast<QDialog*>(w) && !w->property("quorlexEscapeCloses").toBool()) {
        w->setProperty("quorlexEscapeCloses", true);
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), w);
        escape->setContext(Qt::WindowShortcut);
        connect(escape, &QShortcut::activated, w, &QWidget::close);
      }
    }
  }
  return QObject::eventFilter(watched, event);
}
