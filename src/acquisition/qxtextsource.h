#pragma once
// A note the user attaches to the next sample: it goes into exactly one sample.

#include <memory>

#include "acquisition/qxsource.h"

class QPushButton;
class TAttachNote;

class TQXTextSource : public TQXSource {
  Q_OBJECT
 public:
  explicit TQXTextSource(QObject* owner = nullptr);
  ~TQXTextSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  // A note goes only into a sample: nothing on a tick.
  void Tick(int Current_Count, TDateTime Start_Time) override;
  // Runs only when a sample is taken.
  void DataWrite() override;
  void AttachClick();

  QPushButton* NoteButton = nullptr;
  QString note_text;

 private:
  std::unique_ptr<TAttachNote> FDialog;  // keeps the last text typed
};
