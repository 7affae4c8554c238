#include "teaching/phrasegap.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "teaching/choicelabel.h"

TPhraseGap::TPhraseGap(QWidget* parent) : TFocusFramedLabel(QString::fromLatin1(EmptyText), parent) {
  setAcceptDrops(true);
  setAccessibleName(QStringLiteral("Space in the phrase"));
  Restyle();
}

void TPhraseGap::SetAnswer(const QString& answer) {
  FAnswer = answer;
  setText(answer.isEmpty() ? QString::fromLatin1(EmptyText) : answer);
  setAccessibleName(answer.isEmpty() ? QStringLiteral("Empty space in the phrase") : QStringLiteral("Space holding ") + answer);
  adjustSize();
  emit Changed();
}

void TPhraseGap::Restyle() {
  setStyleSheet(QStringLiteral("QLabel{background:#008080;color:#ffffff;padding:1px 3px;border:%1;}")
                    .arg(Frame(QStringLiteral("1px solid #008080"))));
}

void TPhraseGap::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(TChoiceLabel::MimeType))) event->acceptProposedAction();
}

void TPhraseGap::dropEvent(QDropEvent* event) {
  const QByteArray data = event->mimeData()->data(QString::fromLatin1(TChoiceLabel::MimeType));
  if (data.isEmpty()) return;
  SetAnswer(QString::fromUtf8(data));
  event->acceptProposedAction();
}

void TPhraseGap::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Activated(this);
  QLabel::mouseReleaseEvent(event);
}

void TPhraseGap::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter: emit Activated(this); return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace: SetAnswer(QString()); return;
    default: QLabel::keyPressEvent(event);
  }
}
