#include "acquisition/qxtextsource.h"

#include <QLineEdit>
#include <QPushButton>

#include "acquisition/attachnote.h"
#include "platform/iprompts.h"
#include "platform/services.h"

TQXTextSource::TQXTextSource(QObject* owner) : TQXSource(owner) {}

TQXTextSource::~TQXTextSource() { delete NoteButton; }

void TQXTextSource::RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) {
  BaseConstruction(DisplayParent, Source);
  if (Display_Box) Display_Box->hide();
  if (!FHasPosition || !DisplayParent) return;
  NoteButton = new QPushButton(QStringLiteral("Attach Note"), DisplayParent);
  NoteButton->setFont(SourceFont());
  NoteButton->setGeometry(FDataX, FDataY, FWidth, 25);
  NoteButton->setToolTip(FHint);
  NoteButton->show();
  connect(NoteButton, &QPushButton::clicked, this, &TQXTextSource::AttachClick);
}

void TQXTextSource::AttachClick() {
  Click(NoteButton);
  if (!FDialog) FDialog = std::make_unique<TAttachNote>(Parent);
  const auto answer = TServices::Prompts().InputText(
      FDialog->windowTitle(), QString::fromLatin1(TAttachNote::Prompt),
      FDialog->Edit1->text(), false, [this]() -> std::optional<QString> {
        if (FDialog->exec() != QDialog::Accepted) return std::nullopt;
        return FDialog->Edit1->text();
      });
  if (answer) {
    FDialog->Edit1->setText(*answer);  // the dialog keeps the last text typed
    note_text = *answer;
  }
}

void TQXTextSource::Tick(int Current_Count, TDateTime Start_Time) {
  Q_UNUSED(Current_Count);
  Q_UNUSED(Start_Time);
}

void TQXTextSource::DataWrite() {
  if (Source_Column == 0) return;
  WriteText(note_text);
  note_text.clear();
}
