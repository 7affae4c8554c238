#pragma once
// The stored line of one output channel: one or more schedules one after another, each ended by
// the item "nextschedule=begin", the last by "nextschedule=stop".

#include <QList>
#include <QString>
#include <QStringList>

#include "schedule/schedule.h"

namespace scheduleline {

// Items separated by commas and/or blanks and control characters; an item that begins with a
// double quote runs to its closing quote (a doubled quote inside is one quote), so quoted and
// unquoted items mix. An unclosed quote takes the rest of the line and is named in `problem`.
QStringList SplitItems(const QString& line, QString* problem = nullptr);

struct TReadResult {
  QList<TSchedule> Schedules;  // numbered 0, 1, ... in line order
  QStringList Problems;        // what could not be read, for the user
  bool UsedDefault = false;    // the line was empty: the built-in schedule stands in
};
// Splits a stored line; an empty line gives the built-in default schedule. A line without its
// stop marker keeps its last schedule and says so in Problems.
TReadResult Read(const QString& line);

// The line to store: the editor's schedule text (empty: not included; an unchanged default is
// never stored) first, then every stored schedule in order.
QString Compose(const QString& editorText, const QList<TSchedule>& stored);

}  // namespace scheduleline
