#pragma once
// The kinds of curve a series can be fitted with, and their names: the short name the command line
// and saved settings use ("linear", "poly3", "exp", "power", "log", "origin") and the caption the
// dialog shows.

#include <optional>

#include <QString>
#include <QStringList>

enum class TFitKind { Linear, Polynomial, Exponential, Power, Logarithmic, Origin };

struct TFitModel {
  TFitKind Kind = TFitKind::Linear;
  int Order = 1;  // polynomial order 2..5; 1 for every other kind

  static constexpr int MinOrder = 2, MaxOrder = 5;

  // "linear", "poly2".."poly5", "exp"/"exponential", "power", "log"/"logarithmic", "origin";
  // case does not matter. Nothing for anything else.
  static std::optional<TFitModel> Parse(const QString& name);
  // Every model in dialog order.
  static QStringList Names();
  QString Name() const;
  QString Caption() const;
  // Parameters the model has.
  int ParameterCount() const;
  bool operator==(const TFitModel& other) const { return Kind == other.Kind && Order == other.Order; }
};
