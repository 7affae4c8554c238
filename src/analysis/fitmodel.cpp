#include "analysis/fitmodel.h"

std::optional<TFitModel> TFitModel::Parse(const QString& name) {
  const QString n = name.trimmed().toLower();
  if (n == QLatin1String("linear")) return TFitModel{TFitKind::Linear, 1};
  if (n == QLatin1String("exp") || n == QLatin1String("exponential")) return TFitModel{TFitKind::Exponential, 1};
  if (n == QLatin1String("power")) return TFitModel{TFitKind::Power, 1};
  if (n == QLatin1String("log") || n == QLatin1String("logarithmic")) return TFitModel{TFitKind::Logarithmic, 1};
  if (n == QLatin1String("origin")) return TFitModel{TFitKind::Origin, 1};
  if (n.startsWith(QLatin1String("poly")) && n.size() == 5) {
    const int order = n.at(4).digitValue();
    if (order >= MinOrder && order <= MaxOrder) return TFitModel{TFitKind::Polynomial, order};
  }
  return std::nullopt;
}

QStringList TFitModel::Names() {
  QStringList names{QStringLiteral("linear")};
  for (int order = MinOrder; order <= MaxOrder; ++order) names << QStringLiteral("poly%1").arg(order);
  names << QStringLiteral("exp") << QStringLiteral("power") << QStringLiteral("log") << QStringLiteral("origin");
  return names;
}

QString TFitModel::Name() const {
  switch (Kind) {
    case TFitKind::Linear: return QStringLiteral("linear");
    case TFitKind::Polynomial: return QStringLiteral("poly%1").arg(Order);
    case TFitKind::Exponential: return QStringLiteral("exp");
    case TFitKind::Power: return QStringLiteral("power");
    case TFitKind::Logarithmic: return QStringLiteral("log");
    case TFitKind::Origin: return QStringLiteral("origin");
  }
  return {};
}

QString TFitModel::Caption() const {
  switch (Kind) {
    case TFitKind::Linear: return QStringLiteral("Linear  y = a + b x");
    case TFitKind::Polynomial: return QStringLiteral("Polynomial, order %1").arg(Order);
    case TFitKind::Exponential: return QStringLiteral("Exponential  y = a e^(b x)");
    case TFitKind::Power: return QStringLiteral("Power  y = a x^b");
    case TFitKind::Logarithmic: return QStringLiteral("Logarithmic  y = a + b ln x");
    case TFitKind::Origin: return QStringLiteral("Linear through the origin  y = b x");
  }
  return {};
}

int TFitModel::ParameterCount() const {
  switch (Kind) {
    case TFitKind::Polynomial: return Order + 1;
    case TFitKind::Origin: return 1;
    default: return 2;
  }
}
