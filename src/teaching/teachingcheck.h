#pragma once
// The rig check of a presentation and its questions: the sheets read cleanly, every slide's
// picture loads, the help pages and hints it names exist, and every question a slide asks exists
// and can be answered. Errors stop a student; warnings are what the rig runs without.

#include <QString>
#include <QStringList>

class TRigConfig;

class TTeachingCheck {
 public:
  // Returns a one-line summary ("3 chapters, 7 slides, 3 questions").
  static QString Check(const TRigConfig& rig, QStringList& errors, QStringList& warnings);
};
