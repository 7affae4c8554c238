#include "teaching/walkthroughgroup.h"

#include <exception>

#include "platform/filenames.h"
#include "teaching/sheetcells.h"
#include "workbook/model/workbook.h"

int TWalkThrough::PendingSlide() const {
  for (size_t i = 0; i < wtsStep.size(); ++i)
    if (!wtsStep[i].wtstQuestionDone) return static_cast<int>(i);
  return -1;
}

std::optional<TWalkColor> TPresentationLook::ColorByName(const QString& name) {
  static const char* const names[] = {"RED", "BLACK", "WHITE", "YELLOW", "BLUE", "PURPLE"};
  const QString n = name.trimmed().toUpper();
  for (int i = 0; i < 6; ++i)
    if (n == QLatin1String(names[i])) return static_cast<TWalkColor>(i);
  return std::nullopt;
}

QColor TPresentationLook::TextColor() const {
  switch (FontColor.value_or(TWalkColor::Black)) {
    case TWalkColor::Red: return QColor(255, 0, 0);
    case TWalkColor::Black: return QColor(0, 0, 0);
    case TWalkColor::White: return QColor(255, 255, 255);
    case TWalkColor::Yellow: return QColor(255, 255, 0);
    case TWalkColor::Blue: return QColor(0, 0, 255);
    case TWalkColor::Purple: return QColor(128, 0, 128);
  }
  return {};
}

QColor TPresentationLook::LinkColor() const {
  if (!FontColor) return QColor(0, 0, 255);
  switch (*FontColor) {
    case TWalkColor::Red: return QColor(0, 128, 0);
    case TWalkColor::Black: return QColor(255, 255, 0);
    case TWalkColor::White: return QColor(0, 128, 0);
    case TWalkColor::Yellow: return QColor(0, 0, 255);
    case TWalkColor::Blue: return QColor(255, 0, 255);
    case TWalkColor::Purple: return QColor(0, 0, 255);
  }
  return {};
}

std::optional<QColor> TPresentationLook::Background() const {
  if (!BackColor) return std::nullopt;
  switch (*BackColor) {
    case TWalkColor::Black: return QColor(0, 0, 0);
    case TWalkColor::White: return QColor(255, 255, 255);
    case TWalkColor::Yellow: return QColor(255, 255, 0);
    case TWalkColor::Blue: return QColor(0, 0, 255);
    case TWalkColor::Purple: return QColor(128, 0, 128);
    default: return std::nullopt;
  }
}

bool TWalkThroughGroup::AnyQuestion() const {
  for (const TWalkThrough& c : Chapters)
    for (const TWalkThroughStep& s : c.wtsStep)
      if (s.wtstQuestionNumber != 0) return true;
  return false;
}

bool TWalkThroughGroup::ReadFile(const QString& path, const QString& walkRoot, const QString& helpRoot) {
  Chapters.clear();
  Look = {};
  try {
    TWorkbook book;
    book.Read(path);
    book.SetSheet(1);
    Read(book, path, walkRoot, helpRoot);
    return true;
  } catch (const std::exception& e) {
    Notes << QString::fromUtf8(e.what());
    return false;
  }
}

// Chapter rows hold a title in column 2; that row and the rows after it with a text in column 3
// are its slides; a row with neither ends the presentation. The first chapter's row must also
// hold the font name in column 1, or there is no presentation at all.
void TWalkThroughGroup::Read(const TWorkbook& book, const QString& name, const QString& walkRoot,
                             const QString& helpRoot) {
  Chapters.clear();
  Look = {};
  TSheetCells cells(book, name);
  Look.FontName = cells.Text(1, 1, 60).trimmed();
  if (Look.FontName.isEmpty()) return;
  const QString style = cells.Text(2, 1).trimmed().toUpper();
  Look.Bold = style == QLatin1String("BOLD") || style == QLatin1String("BOLDITALIC");
  Look.Italic = style == QLatin1String("ITALIC") || style == QLatin1String("BOLDITALIC");
  Look.FontColor = TPresentationLook::ColorByName(cells.Text(3, 1));
  Look.FontSize = cells.Integer(4, 1, 0);
  if (Look.FontSize < 0 || Look.FontSize > 72) {
    cells.Note(4, 1, QStringLiteral("font size %1 is not between 1 and 72").arg(Look.FontSize));
    Look.FontSize = 0;
  }
  Look.BackColor = TPresentationLook::ColorByName(cells.Text(5, 1));

  const int last = cells.LastRow();
  int row = 1;
  bool firstChapter = true;
  while (row <= last) {
    if (firstChapter && !cells.HasText(row, 1)) break;
    if (!cells.HasText(row, 2)) break;
    TWalkThrough chapter;
    chapter.FwtsTitle = cells.Text(row, 2).trimmed();
    const int chapterRow = row;
    int s = row;
    for (; s <= last; ++s) {
      if (s != chapterRow && cells.HasText(s, 2)) break;
      if (!cells.HasText(s, 3)) break;
      TWalkThroughStep step;
      step.wtstSlideNumber = s;
      step.wtstTopic = cells.Text(s, 3).trimmed();
      step.wtstPictureName = cells.Text(s, 4, 60).trimmed();
      step.wtstTextFile = step.wtstPictureName.isEmpty() ? QString() : filenames::Resolve(walkRoot, step.wtstPictureName);
      const QString help = cells.Text(s, 5, 60).trimmed();
      step.wtstHelpFile = help.isEmpty() ? QString() : filenames::Resolve(helpRoot, help);
      step.wtstQuestionNumber = cells.Integer(s, 6, 0);
      step.wtstQuestionDone = step.wtstQuestionNumber == 0;
      chapter.wtsStep.push_back(step);
    }
    firstChapter = false;
    if (chapter.wtsStep.empty())
      Notes << QStringLiteral("%1: row %2: the chapter \"%3\" has no slides (column 3 is empty)")
                   .arg(name).arg(chapterRow).arg(chapter.FwtsTitle);
    else
      Chapters.push_back(std::move(chapter));
    // The row that ended the slides may start the next chapter.
    row = std::max(s, chapterRow + 1);
  }
  Notes << cells.Notes();
}
