// Draws the slides of the demo rig's presentation (examples/rigs/demo/walk) so they can be
// redrawn after a change instead of edited by hand:  walkpictures OUTPUT_FOLDER [BACKDROP]
// The diagram slide shows the rig's backdrop picture when its file is given.

#include <cmath>
#include <cstdio>
#include <functional>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int W = 640, H = 420;
const QColor Ink(30, 30, 60), Water(70, 130, 220), Hot(220, 60, 40), Steel(150, 160, 170), Note(0, 110, 60);

void Title(QPainter& p, const QString& text) {
  p.fillRect(0, 0, W, 44, QColor(40, 60, 120));
  p.setPen(Qt::white);
  p.setFont(QFont(QStringLiteral("DejaVu Sans"), 16, QFont::Bold));
  p.drawText(QRect(16, 0, W - 32, 44), Qt::AlignVCenter | Qt::AlignLeft, text);
}

void Text(QPainter& p, const QRect& r, const QString& text, int size = 11, const QColor& colour = Ink, int flags = Qt::AlignLeft | Qt::TextWordWrap) {
  p.setPen(colour);
  p.setFont(QFont(QStringLiteral("DejaVu Sans"), size));
  p.drawText(r, flags, text);
}

void Tag(QPainter& p, QPointF at, const QString& name) {
  p.setPen(QPen(Ink, 1.5));
  p.setBrush(QColor(255, 250, 210));
  p.drawEllipse(at, 17, 17);
  p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9, QFont::Bold));
  p.drawText(QRectF(at.x() - 17, at.y() - 17, 34, 34), Qt::AlignCenter, name);
}

void Vessel(QPainter& p, const QRectF& r, double level, const QString& name) {
  p.setPen(QPen(Steel.darker(150), 3));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
  QRectF water(r.left() + 2, r.bottom() - r.height() * level, r.width() - 4, r.height() * level - 2);
  p.fillRect(water, Water.lighter(130));
  Text(p, QRect(int(r.left()), int(r.top()) - 24, int(r.width()), 20), name, 10, Ink, Qt::AlignCenter);
}

void Pipe(QPainter& p, const QList<QPointF>& points, const QColor& colour) {
  QPainterPath path(points.first());
  for (int i = 1; i < points.size(); ++i) path.lineTo(points[i]);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colour, 7, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
  p.drawPath(path);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
  p.setPen(QPen(colour, 2));
  p.drawLine(from, to);
  const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
  QPolygonF head;
  head << to << to - QPointF(10 * std::cos(a - 0.4), 10 * std::sin(a - 0.4)) << to - QPointF(10 * std::cos(a + 0.4), 10 * std::sin(a + 0.4));
  p.setBrush(colour);
  p.drawPolygon(head);
}

// The two axes of a chart in `plot`.
void Axes(QPainter& p, const QRect& plot) {
  p.setPen(QPen(Ink, 2));
  p.drawLine(plot.bottomLeft(), plot.bottomRight());
  p.drawLine(plot.bottomLeft(), plot.topLeft());
}

// The rig: the heated tank, the pump, the flow meter and the second vessel in one loop.
void Rig(QPainter& p, double scale = 1.0, QPointF origin = {}) {
  p.save();
  p.translate(origin);
  p.scale(scale, scale);
  Pipe(p, {{190, 290}, {250, 290}}, Hot.lighter(120));
  Pipe(p, {{290, 290}, {330, 290}, {330, 160}, {420, 160}}, Hot.lighter(120));
  Pipe(p, {{440, 300}, {440, 340}, {130, 340}, {130, 310}}, Water);
  Vessel(p, QRectF(70, 150, 120, 160), 0.8, QStringLiteral("Tank"));
  Vessel(p, QRectF(420, 140, 110, 160), 0.75, QStringLiteral("Vessel"));
  // heater coil
  p.setPen(QPen(Hot, 4));
  for (int i = 0; i < 5; ++i) p.drawArc(QRectF(90 + i * 16, 260, 16, 30), 0, 180 * 16);
  Text(p, QRect(80, 315, 110, 18), QStringLiteral("heater"), 9, Hot, Qt::AlignCenter);
  // pump
  p.setPen(QPen(Ink, 2));
  p.setBrush(QColor(230, 230, 240));
  p.drawEllipse(QPointF(270, 290), 22, 22);
  p.drawLine(QPointF(258, 280), QPointF(284, 290));
  p.drawLine(QPointF(258, 300), QPointF(284, 290));
  Text(p, QRect(235, 315, 70, 18), QStringLiteral("pump"), 9, Ink, Qt::AlignCenter);
  // flow meter
  p.setBrush(QColor(240, 240, 255));
  p.drawRect(QRectF(355, 148, 34, 24));
  Tag(p, {44, 200}, QStringLiteral("T1"));
  Tag(p, {556, 200}, QStringLiteral("T2"));
  Tag(p, {372, 120}, QStringLiteral("F1"));
  p.restore();
}

using TDraw = std::function<void(QPainter&)>;

bool Save(const QString& folder, const QString& name, const TDraw& draw) {
  QImage image(W, H, QImage::Format_RGB32);
  image.fill(QColor(252, 252, 248));
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
  }
  const QString path = QDir(folder).filePath(name);
  if (!image.save(path)) {
    std::fprintf(stderr, "walkpictures: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: walkpictures OUTPUT_FOLDER [BACKDROP]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  const QImage backdrop = argc > 2 ? QImage(QString::fromLocal8Bit(argv[2])) : QImage();
  bool ok = true;

  ok &= Save(out, QStringLiteral("equipment.png"), [](QPainter& p) {
    Title(p, QStringLiteral("The heat-transfer rig"));
    Rig(p, 1.0, {0, 10});
    Text(p, QRect(20, 370, 600, 44),
         QStringLiteral("The heater warms the water in the tank. The pump drives it through the flow meter into the "
                        "vessel and back, carrying heat from the tank to the vessel."), 10);
  });

  ok &= Save(out, QStringLiteral("diagram.png"), [&backdrop](QPainter& p) {
    Title(p, QStringLiteral("The diagram window"));
    const QRect frame(20, 56, 400, 300);
    if (!backdrop.isNull()) p.drawImage(frame, backdrop);
    else Rig(p, 0.7, {20, 60});
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    Text(p, QRect(435, 60, 190, 300),
         QStringLiteral("The diagram shows the rig with its live readings.\n\n"
                        "Click the heater or the pump to set its output in %.\n\n"
                        "GO on the tool bar records a sample into the table; the graph plots "
                        "the columns marked for it."), 10);
    Arrow(p, {435, 80}, {330, 150}, Note);
  });

  ok &= Save(out, QStringLiteral("sensors.png"), [](QPainter& p) {
    Title(p, QStringLiteral("What is measured"));
    const char* rows[][3] = {{"T1", "Tank temperature", "°C, thermocouple in the tank"},
                             {"T2", "Vessel temperature", "°C, thermocouple in the vessel"},
                             {"F1", "Flow rate", "l/min, turbine meter after the pump"},
                             {"Q", "Heater output", "% of full power"},
                             {"N", "Pump speed", "% of full speed"}};
    int y = 70;
    for (const auto& r : rows) {
      Tag(p, {50, double(y + 14)}, QString::fromUtf8(r[0]));
      Text(p, QRect(85, y, 200, 30), QString::fromUtf8(r[1]), 12, Ink, Qt::AlignVCenter);
      Text(p, QRect(290, y, 330, 30), QString::fromUtf8(r[2]), 11, Note, Qt::AlignVCenter);
      y += 52;
    }
    Text(p, QRect(20, 340, 600, 60), QStringLiteral("Press Next to answer a question about the readings."), 11, Hot);
  });

  ok &= Save(out, QStringLiteral("heating.png"), [](QPainter& p) {
    Title(p, QStringLiteral("Exercise 1: the heating curve"));
    const QRect plot(70, 70, 520, 260);
    Axes(p, plot);
    Text(p, QRect(plot.right() - 120, plot.bottom() + 6, 120, 20), QStringLiteral("time (s)"), 10, Ink, Qt::AlignRight);
    Text(p, QRect(10, plot.top() - 4, 60, 40), QStringLiteral("T (°C)"), 10);
    for (int curve = 0; curve < 2; ++curve) {
      QPainterPath path;
      for (int x = 0; x <= plot.width(); x += 4) {
        const double t = x / double(plot.width());
        const double tau = curve == 0 ? 0.28 : 0.42;
        const double lag = curve == 0 ? 0 : 0.05;
        const double v = t < lag ? 0 : (1 - std::exp(-(t - lag) / tau)) * (curve == 0 ? 0.85 : 0.72);
        const QPointF pt(plot.left() + x, plot.bottom() - 10 - v * (plot.height() - 20));
        if (x == 0) path.moveTo(pt); else path.lineTo(pt);
      }
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(curve == 0 ? Hot : Water, 3));
      p.drawPath(path);
    }
    Text(p, QRect(plot.right() - 150, plot.top() + 20, 150, 20), QStringLiteral("T1 tank"), 11, Hot);
    Text(p, QRect(plot.right() - 150, plot.top() + 80, 150, 20), QStringLiteral("T2 vessel"), 11, Water);
    Text(p, QRect(20, 355, 600, 60),
         QStringLiteral("Set the heater to 50 % with the pump off, record a sample every 5 s and watch T1 rise "
                        "towards its steady value. Then start the pump and watch T2 follow."), 10);
  });

  ok &= Save(out, QStringLiteral("steadyflow.png"), [](QPainter& p) {
    Title(p, QStringLiteral("Exercise 2: energy balance at steady flow"));
    Rig(p, 0.62, {0, 60});
    const QStringList steps = {QStringLiteral("1. Heater 60 %, pump 40 %."),
                               QStringLiteral("2. Wait until T1, T2 and F1 stop changing."),
                               QStringLiteral("3. Record five samples with GO."),
                               QStringLiteral("4. Raise the pump to 70 % and repeat."),
                               QStringLiteral("5. Save the table before you leave.")};
    Text(p, QRect(360, 80, 270, 260), steps.join(QLatin1Char('\n')), 11);
    Text(p, QRect(20, 350, 600, 60),
         QStringLiteral("At steady flow the heat the water carries from the tank equals the heat it gives up "
                        "on its way to the vessel."), 10, Note);
  });

  ok &= Save(out, QStringLiteral("heatflow.png"), [](QPainter& p) {
    Title(p, QStringLiteral("Analysis: the heat flow"));
    p.setPen(Ink);
    p.setFont(QFont(QStringLiteral("DejaVu Serif"), 24, QFont::Bold));
    p.drawText(QRect(0, 70, W, 60), Qt::AlignCenter, QStringLiteral("Q = ṁ · cp · (T1 − T2)"));
    Text(p, QRect(60, 150, 540, 170),
         QStringLiteral("Q   heat flow carried by the water (kW)\n"
                        "ṁ   mass flow (kg/s) = F1 (l/min) ÷ 60, since 1 l of water is 1 kg\n"
                        "cp  specific heat of water, 4.18 kJ/kg K\n"
                        "T1 − T2   temperature drop between tank and vessel (K)"), 12);
    Text(p, QRect(60, 320, 540, 80),
         QStringLiteral("Example: F1 = 6 l/min, T1 − T2 = 2 K gives Q = 0.1 × 4.18 × 2 = 0.84 kW."), 12, Note);
  });

  ok &= Save(out, QStringLiteral("results.png"), [](QPainter& p) {
    Title(p, QStringLiteral("Analysis: what the table shows"));
    const QRect plot(80, 80, 480, 230);
    Axes(p, plot);
    const double q[] = {0.55, 0.78, 0.95, 1.05, 1.1};
    for (int i = 0; i < 5; ++i) {
      const QRectF bar(plot.left() + 30 + i * 90, plot.bottom() - q[i] * 180, 50, q[i] * 180);
      p.fillRect(bar, Hot.lighter(110 + i * 10));
      Text(p, QRect(int(bar.left()) - 10, plot.bottom() + 4, 70, 18), QStringLiteral("%1 %").arg(20 + i * 20), 9, Ink, Qt::AlignCenter);
    }
    Text(p, QRect(plot.right() - 200, plot.bottom() + 22, 200, 18), QStringLiteral("pump speed"), 10, Ink, Qt::AlignRight);
    Text(p, QRect(10, plot.top() - 30, 200, 20), QStringLiteral("heat flow (kW)"), 10);
    Text(p, QRect(20, 350, 600, 60),
         QStringLiteral("More flow carries more heat, but T1 − T2 shrinks as the flow rises: the heat flow levels off. "
                        "Answer the questions to see the heat-flow columns of the table."), 10);
  });
  return ok ? 0 : 1;
}
