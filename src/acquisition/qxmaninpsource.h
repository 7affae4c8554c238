#pragma once
// A value the user types: an edit box under a button that shows the value with its units.

#include "acquisition/qxsource.h"

class QPushButton;

class TQXManInpSource : public TQXSource {
  Q_OBJECT
 public:
  static constexpr const char* InvalidText = "A manual input is invalid. Please change this value.";

  using TQXSource::TQXSource;
  ~TQXManInpSource() override;

  void RegisterParent(QWidget* DisplayParent, const TDataSource_Definition& Source) override;
  void DataWrite() override;
  void Check_Validity(QObject* Sender) override;
  // Enter ends the edit (the key is swallowed); true when the key was handled.
  bool Check_Key(QObject* Sender, int key);
  void EditClick();

  QLineEdit* EditBox = nullptr;
  QPushButton* ButtonDisplay = nullptr;
  QString ManInpEditMask;
  double DataValue = 0;
  int decimalPlaces = 0;

  void SetEditText(const QString& text);
  QString ButtonCaption() const { return FCaption; }

 protected:
  // What a set-point entry (the gate) changes: the edit mask, the button's hint and the refusal.
  virtual QString EditMask() const;
  virtual QString ButtonHint(const TDataSource_Definition& Source) const;
  virtual QString RefusalText() const { return QString::fromLatin1(InvalidText); }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void SetCaption(const QString& caption);
  QString FEditText;
  QString FCaption;
  bool FEditing = false;     // the edit box is in front, taking a new value
  bool FInValidity = false;  // a refusal message is up
};
