#pragma once
// The presentation read from the rig's presentation sheet: its look (font and colours) and its
// chapters of slides. A slide is a picture of the rig's "walk" folder, optionally a help page and
// a question that must be answered before the student moves past it.

#include <optional>
#include <vector>

#include <QColor>
#include <QString>
#include <QStringList>

class TWorkbook;

struct TWalkThroughStep {
  int wtstSlideNumber = 0;  // the slide's row in the sheet
  QString wtstTopic;        // help topic, "0" = none
  QString wtstHelpFile;     // full path
  QString wtstTextFile;     // full path of the picture
  QString wtstPictureName;  // the picture's name as the sheet gives it
  int wtstQuestionNumber = 0;
  bool wtstQuestionDone = true;
  bool HasMore() const { return !wtstTopic.isEmpty() && wtstTopic != QLatin1String("0"); }
};

struct TWalkThrough {
  QString FwtsTitle;
  std::vector<TWalkThroughStep> wtsStep;
  int wtpStepInUse = 0;
  bool HasNext() const { return wtpStepInUse + 1 < static_cast<int>(wtsStep.size()); }
  bool HasPrevious() const { return wtpStepInUse > 0; }
  TWalkThroughStep& Current() { return wtsStep[static_cast<size_t>(wtpStepInUse)]; }
  // Index of the first slide whose question is still to be answered, -1 when none.
  int PendingSlide() const;
};

enum class TWalkColor { Red, Black, White, Yellow, Blue, Purple };

// Font and colours of the presentation window and its chapter panel.
struct TPresentationLook {
  QString FontName;
  bool Bold = false, Italic = false;
  std::optional<TWalkColor> FontColor;
  int FontSize = 0;  // 0 keeps the default
  std::optional<TWalkColor> BackColor;

  static std::optional<TWalkColor> ColorByName(const QString& name);
  // Each text colour has its own link colour; without a text colour, black text and blue links.
  QColor TextColor() const;
  QColor LinkColor() const;
  // Nothing keeps the window's own background (red is not a background colour).
  std::optional<QColor> Background() const;
};

class TWalkThroughGroup {
 public:
  static constexpr int MaxLinks = 8;

  // Reads the first sheet of `book`; picture names are relative to `walkRoot`, help file names to
  // `helpRoot` (both folders ending in "/"). `name` prefixes the notes about bad cells.
  void Read(const TWorkbook& book, const QString& name, const QString& walkRoot, const QString& helpRoot);
  // Reads the presentation file; false (and a note) when it cannot be read.
  bool ReadFile(const QString& path, const QString& walkRoot, const QString& helpRoot);

  TPresentationLook Look;
  std::vector<TWalkThrough> Chapters;
  QStringList Notes;  // cells that could not be read, chapters without slides
  bool AnyQuestion() const;
};
