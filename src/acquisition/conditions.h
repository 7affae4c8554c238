#pragma once
// The interlocks of one latching digital output, written in its short label as command/source
// pairs ("AND,DI2,SWITCHOFF,DO1"). They act only on the user's click on the output: each click
// reads the observed sources afresh and decides the output's new state, may ask the output's
// warning question, and may switch other outputs off.

#include <memory>
#include <vector>

#include <QStringList>

#include "acquisition/condition.h"
#include "acquisition/iconditions.h"

class TQXDigitalOutputSource;

class TConditions : public IConditions {
 public:
  explicit TConditions(TQXSource& AHolder) : FHolder(AHolder) {}

  // The items of a condition text: separated by commas or blanks, a double-quoted item may hold
  // either.
  static QStringList SplitItems(const QString& text);

  // Keeps the valid pairs; each invalid pair is warned about once and dropped.
  void ParseConditions(const QString& AUnparsedCmds);
  bool AnyValid() const override { return !FConditions.empty(); }
  void Bind() override;
  void ApplyConditions(TQXDigitalOutputSource& ASource) override;

  const std::vector<std::unique_ptr<TCondition>>& Conditions() const { return FConditions; }
  QStringList Lines() const;

  TQXSource& FHolder;
  QString FUnparrsedCmds;

 private:
  std::vector<std::unique_ptr<TCondition>> FConditions;
};
