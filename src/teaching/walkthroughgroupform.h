#pragma once
// The presentation window ("Presentation"): the slide's picture on the right, the chapter links
// in a side panel on the left (it scrolls when the chapters do not fit), and the links "More",
// "Previous" and "Next" with the box "Show at startup". Next asks the slide's question first and
// moves on only when it is answered.

#include <memory>
#include <vector>

#include <QPixmap>
#include <QWidget>

#include "teaching/walkthroughgroup.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QHBoxLayout;
class QVBoxLayout;
class ITeachingHost;
class TQuestionList;
class TResultsPrinter;

class TWalkThroughGroupForm : public QWidget {
  Q_OBJECT
 public:
  // `questions` may be null (no question can then be answered). Neither is owned.
  TWalkThroughGroupForm(TWalkThroughGroup group, TQuestionList* questions, ITeachingHost* host,
                        QWidget* parent = nullptr);
  ~TWalkThroughGroupForm() override;

  int ChapterNo() const { return FChapterNo; }

  // Shows the current slide again and tells the main window (the window came to the front).
  void FormActivate();
  void LinkClick(int chapter);
  void NextClick();
  void PreviousClick();
  void MoreClick();
  // Finds the first slide whose question is not answered, shows it and asks its question.
  // False when every question is answered.
  bool Unhide();
  bool AnyQuestionWaiting() const;
  void Copy();
  void Print();
  TResultsPrinter& Printing();

  void SetShowAtStartup(bool on);
  bool ShowAtStartup() const;

  // For tests and the screenshot walk.
  QPushButton* Link(int chapter) const { return FLinks.at(static_cast<size_t>(chapter)); }
  int LinkCount() const { return static_cast<int>(FLinks.size()); }
  QPushButton* NextLink() const { return FNext; }
  QPushButton* PreviousLink() const { return FPrevious; }
  QLabel* Picture() const { return FPicture; }

 signals:
  void ShowAtStartupChanged(bool on);
  // The window wants to be the one in front.
  void BringToFront();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Enter on a link follows it, as Space does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TWalkThrough& CurrentChapter() { return FGroup.Chapters[static_cast<size_t>(FChapterNo)]; }
  // Chapter 0 selected and its slide shown.
  void ShowFirst();
  // The slide's picture, made smaller when the window is: a student should not have to scroll.
  void FitPicture();
  void BuildLinks();
  void ApplyLook();
  void ShowSlide();
  void SetNavigation();
  void PaintLinks();
  QPushButton* MakeLink(const QString& text, QWidget* parent);
  void SetLinkColor(QPushButton* link, const QColor& color);
  QString SlideText() const;

  TWalkThroughGroup FGroup;
  TQuestionList* FQuestions;
  ITeachingHost* FHost;
  int FChapterNo = 0;
  QScrollArea* FPanel;
  QWidget* FPanelBody;
  QVBoxLayout* FPanelLayout;
  std::vector<QPushButton*> FLinks;
  QScrollArea* FPictureArea;
  QLabel* FPicture;
  QPixmap FSlidePicture;
  QPushButton *FMore, *FPrevious, *FNext;
  QCheckBox* FShowAtStartup;
  // The links' row and the one below it: on a window too narrow for the check box and the links
  // side by side, the check box goes on a row of its own so that no text is cut.
  QHBoxLayout* FBar = nullptr;
  QHBoxLayout* FStartupRow = nullptr;
  void PlaceShowAtStartup();
  std::unique_ptr<TResultsPrinter> FPrinting;
};
