#include "simoptions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

#include "plantmodel.h"
#include "platform/installeddata.h"

namespace {
struct TOption {
  const char* Name;
  const char* Value;    // nullptr: a switch
  bool InPlantFile;     // may also stand in the [cards] section
  const char* Help;
};

const TOption kOptions[] = {
    {"rig", "FOLDER", false,
     "Rig folder, or the name of an installed rig (e.g. demo); the plant model is read from "
     "FOLDER/sim/plant.ini."},
    {"plant", "FILE", false, "Plant model file (instead of the rig's sim/plant.ini)."},
    {"serial-dir", "DIR", false,
     "Where the serial cards appear as symlinks DIR/master and DIR/slave (default $QUORLEX_SIM_DIR, "
     "else <tmp>/quorlex-sim-<uid>)."},
    {"device-dir", "DIR", false,
     "Where the driver devices appear as sockets VelUSB0, VelUSB1, DoruzOVA0, DoruzOVA1 (default "
     "$QUORLEX_DEVICE_DIR, else $XDG_RUNTIME_DIR/quorlex/devices, else <tmp>/quorlex-devices-<uid>)."},
    {"no-serial", nullptr, false, "Serve no serial cards."},
    {"no-devices", nullptr, false, "Serve no driver devices."},
    {"master", "KIND", true, "Card wired as master: vexa (default), brenna or none."},
    {"slave", "KIND", true, "Card wired as slave: vexa, brenna or none (default)."},
    {"master-model", "TEXT", true,
     "Model field of the master's identification text, four characters (default \"Vexa\" for a Vexa, "
     "\"B16S\" for a Brenna-style card)."},
    {"slave-model", "TEXT", true, "Model field of the slave's identification text."},
    {"master-role", "CHAR", true, "Role digit the master reports: 0 master (default), 1 slave, other: none."},
    {"slave-role", "CHAR", true, "Role digit the slave reports (default 1)."},
    {"master-mode", "MODE", true, "Master input mode before any IM command: se (16 inputs, default) or diff (8)."},
    {"slave-mode", "MODE", true, "Slave input mode before any IM command: se (default) or diff."},
    {"master-device", "KIND", true, "Driver device serving the master: velusb (default), doruzova or none."},
    {"slave-device", "KIND", true, "Driver device serving the slave: velusb (default), doruzova or none."},
    {"inverter", "TYPE", true, "Inverter on the RS485 line: none (default), varnok or pellor."},
    {"inverter-program", "N", true, "Program number the inverter reports (default 0)."},
    {"inverter-nak", "CODES", true,
     "Function codes the inverter refuses with NAK, comma-separated, or none (default: H10 for a "
     "pellor, none for a varnok)."},
    {"capture-rig", "N", true,
     "Capture-rig code 0-15 a Vexa master reads on digital inputs 2-5 (input 2 is bit 0); inputs the plant "
     "file defines keep their own source."},
    {"frequency-gate", "MS", true, "How long a driver-device frequency measurement runs (default 100)."},
    {"seed", "N", false, "Seed of the plant noise (overrides the plant file's)."},
    {"drop-every", "N", false, "Drop every N-th reply of each port; on a device socket the call fails instead."},
    {"corrupt-every", "N", false,
     "Corrupt every N-th reply: serial data digits become '?' behind a leading '?', device answer "
     "bytes are inverted."},
    {"delay", "MS", false, "Hold every reply back for MS milliseconds."},
    {"vanish-after", "SECONDS", false, "Close every port and socket after SECONDS (the simulator keeps running)."},
    {"no-arm", nullptr, false, "Never answer \"ARM\"."},
    {"cut-transfer", "BYTES", false, "End every high-speed transfer after BYTES bytes, as a line that fails mid-transfer."},
    {"baud", "N", false,
     "Line rate of the serial cards in bit/s (default 38400); replies leave at one byte per 10 bits "
     "(8N1), as from a card."},
    {"no-pacing", nullptr, false, "Send replies at once instead of at the line rate (for fast tests)."},
    {"counting-inputs", nullptr, false,
     "Hold the plant still: analogue input k of a card reads -1550 + 200*k + r, r counting that card's "
     "reads 0-99 (for comparing recorded values with served ones)."},
    {"log", "FILE", false, "Append every command received, with a timestamp, to FILE."},
    {"help", nullptr, false, "Show this help."},
    {"version", nullptr, false, "Show the version."},
};

const TOption* FindOption(const QString& name) {
  for (const TOption& o : kOptions)
    if (name == QLatin1String(o.Name)) return &o;
  return nullptr;
}

// Identification characters survive the host's reply filter: 0x2B-0x7A without 'K' and 'O'.
bool IdentityChar(QChar c) { return c.unicode() >= 0x2B && c.unicode() <= 0x7A && c != u'K' && c != u'O'; }

bool Number(const QString& text, double lo, double hi, double* value) {
  bool ok = false;
  *value = text.toDouble(&ok);
  return ok && *value >= lo && *value <= hi;
}

bool Whole(const QString& text, qint64 lo, qint64 hi, qint64* value) {
  bool ok = false;
  *value = text.toLongLong(&ok);
  return ok && *value >= lo && *value <= hi;
}
}  // namespace

TSimOptions::TSimOptions() {
  Cards[0].Kind = TCardKind::Vexa;
  Cards[0].RoleDigit = '0';
  Cards[1].RoleDigit = '1';
}

QString TSimOptions::HelpText() {
  QString text = QStringLiteral(
      "Usage: ifdsim [options]\n"
      "Simulates one or two interface cards: serial cards on pseudo-terminals and driver devices on\n"
      "Unix-domain sockets, with a plant model behind their inputs and outputs. Stops on SIGINT or\n"
      "SIGTERM and removes its symlinks and sockets. See docs/simulator.md.\n\nOptions:\n");
  for (const TOption& o : kOptions) {
    QString head = QStringLiteral("  --%1").arg(QLatin1String(o.Name));
    if (o.Value) head += u' ' + QLatin1String(o.Value);
    // Help wrapped to fit a 100-column terminal, continuation lines under the first.
    QString line = head.leftJustified(29);
    for (const QString& word : QString::fromLatin1(o.Help).split(u' ')) {
      if (line.size() + 1 + word.size() > 100 && line.size() > 30) {
        text += line + u'\n';
        line = QString(29, u' ');
      }
      line += u' ' + word;
    }
    text += line + u'\n';
  }
  text += QStringLiteral(
      "\nOptions marked for cards (master*, slave*, inverter*, frequency-gate) may also stand in the\n"
      "[cards] section of the plant file, written without the dashes: master-model = Vexa.\n");
  return text;
}

bool TSimOptions::Parse(const QStringList& args, QString* error) {
  for (int i = 0; i < args.size(); ++i) {
    QString arg = args[i];
    if (!arg.startsWith(QLatin1String("--"))) {
      *error = QStringLiteral("unexpected argument \"%1\" (see --help)").arg(arg);
      return false;
    }
    arg = arg.mid(2);
    QString value;
    const int eq = arg.indexOf(u'=');
    const bool inlineValue = eq >= 0;
    if (inlineValue) {
      value = arg.mid(eq + 1);
      arg = arg.left(eq);
    }
    const TOption* o = FindOption(arg);
    if (!o) {
      *error = QStringLiteral("unknown option --%1 (see --help)").arg(arg);
      return false;
    }
    if (o->Value && !inlineValue) {
      if (i + 1 >= args.size()) {
        *error = QStringLiteral("--%1 needs a value (%2)").arg(arg, QLatin1String(o->Value));
        return false;
      }
      value = args[++i];
    } else if (!o->Value && inlineValue) {
      *error = QStringLiteral("--%1 takes no value").arg(arg);
      return false;
    }
    if (!Apply(arg, value, error)) return false;
    FGiven.insert(arg);
  }
  return true;
}

bool TSimOptions::ApplyPlantSettings(const QList<TIniFile::TEntry>& entries, QString* error) {
  for (const TIniFile::TEntry& e : entries) {
    const TOption* o = FindOption(e.Key);
    if (!o || !o->InPlantFile) {
      *error = QStringLiteral("line %1: \"%2\" cannot stand in [cards]").arg(e.Line).arg(e.Key);
      return false;
    }
    if (FGiven.contains(e.Key)) continue;
    QString why;
    if (!Apply(e.Key, e.Value, &why)) {
      *error = QStringLiteral("line %1: %2").arg(e.Line).arg(why);
      return false;
    }
  }
  return true;
}

bool TSimOptions::Apply(const QString& name, const QString& value, QString* error) {
  const auto bad = [&](const QString& expected) {
    *error = QStringLiteral("%1: \"%2\" is not %3").arg(name, value, expected);
    return false;
  };
  double d = 0;
  qint64 n = 0;
  if (name == QLatin1String("help")) Help = true;
  else if (name == QLatin1String("version")) Version = true;
  else if (name == QLatin1String("no-serial")) Serial = false;
  else if (name == QLatin1String("no-devices")) Devices = false;
  else if (name == QLatin1String("no-arm")) Faults.NoArm = true;
  else if (name == QLatin1String("no-pacing")) Pacing = false;
  else if (name == QLatin1String("counting-inputs")) CountingInputs = true;
  else if (name == QLatin1String("baud")) {
    if (!Whole(value, 300, 4000000, &n)) return bad(QStringLiteral("a line rate of 300-4000000 bit/s"));
    Baud = int(n);
  }
  else if (name == QLatin1String("rig") || name == QLatin1String("plant") || name == QLatin1String("serial-dir") ||
           name == QLatin1String("device-dir") || name == QLatin1String("log")) {
    if (value.isEmpty()) return bad(QStringLiteral("a path"));
    QString& target = name == QLatin1String("rig") ? Rig
                      : name == QLatin1String("plant") ? PlantFile
                      : name == QLatin1String("serial-dir") ? SerialDir
                      : name == QLatin1String("device-dir") ? DeviceDir
                                                            : LogFile;
    target = &target == &Rig ? TInstalledData::ResolveRig(value) : value;
  } else if (name.startsWith(QLatin1String("master")) || name.startsWith(QLatin1String("slave"))) {
    TCardSpec& card = Cards[name.startsWith(QLatin1String("slave")) ? 1 : 0];
    const QString what = name.section(u'-', 1);
    if (what.isEmpty()) {
      if (value == QLatin1String("vexa")) card.Kind = TCardKind::Vexa;
      else if (value == QLatin1String("brenna")) card.Kind = TCardKind::Brenna;
      else if (value == QLatin1String("none")) card.Kind = TCardKind::None;
      else return bad(QStringLiteral("vexa, brenna or none"));
    } else if (what == QLatin1String("model")) {
      if (value.size() != 4 || !std::all_of(value.begin(), value.end(), IdentityChar))
        return bad(QStringLiteral("four characters from '+' to 'z' other than K and O"));
      card.Model = value.toLatin1();
    } else if (what == QLatin1String("role")) {
      if (value.size() != 1 || !IdentityChar(value[0]))
        return bad(QStringLiteral("one character from '+' to 'z' other than K and O"));
      card.RoleDigit = value[0].toLatin1();
    } else if (what == QLatin1String("mode")) {
      if (value == QLatin1String("se")) card.Mode = TInputMode::SingleEnded;
      else if (value == QLatin1String("diff")) card.Mode = TInputMode::Differential;
      else return bad(QStringLiteral("se or diff"));
    } else {
      if (value == QLatin1String("velusb")) card.Legacy = TLegacyKind::VelUsb;
      else if (value == QLatin1String("doruzova")) card.Legacy = TLegacyKind::DoruzOva;
      else if (value == QLatin1String("none")) card.Legacy = TLegacyKind::None;
      else return bad(QStringLiteral("velusb, doruzova or none"));
    }
  } else if (name == QLatin1String("inverter")) {
    if (value == QLatin1String("none")) InverterType = TInverter::TType::None;
    else if (value == QLatin1String("varnok")) InverterType = TInverter::TType::Varnok;
    else if (value == QLatin1String("pellor")) InverterType = TInverter::TType::Pellor;
    else return bad(QStringLiteral("none, varnok or pellor"));
  } else if (name == QLatin1String("inverter-program")) {
    if (!Whole(value, 0, 65535, &n)) return bad(QStringLiteral("a whole number 0-65535"));
    InverterProgram = int(n);
  } else if (name == QLatin1String("inverter-nak")) {
    static const QRegularExpression code(QStringLiteral("^[A-Z][0-9]{2}$"));
    InverterNak.clear();
    FNakGiven = true;
    if (value == QLatin1String("none")) return true;
    for (const QString& c : value.split(u',')) {
      if (!code.match(c.trimmed()).hasMatch()) return bad(QStringLiteral("a list of function codes like J01,H10"));
      InverterNak.insert(c.trimmed().toLatin1());
    }
  } else if (name == QLatin1String("capture-rig")) {
    if (!Whole(value, 0, 15, &n)) return bad(QStringLiteral("a whole number 0-15"));
    CaptureRig = int(n);
  } else if (name == QLatin1String("frequency-gate")) {
    if (!Number(value, 0, 60000, &d)) return bad(QStringLiteral("0-60000 milliseconds"));
    FrequencyGate = d / 1000;
  } else if (name == QLatin1String("seed")) {
    if (!Whole(value, 0, 4294967295LL, &n)) return bad(QStringLiteral("a whole number 0-4294967295"));
    Seed = quint32(n);
  } else if (name == QLatin1String("drop-every") || name == QLatin1String("corrupt-every")) {
    if (!Whole(value, 0, 1000000000, &n)) return bad(QStringLiteral("a whole number, 1 or more (0: off)"));
    (name == QLatin1String("drop-every") ? Faults.DropEvery : Faults.CorruptEvery) = int(n);
  } else if (name == QLatin1String("cut-transfer")) {
    if (!Whole(value, 0, 1000000000, &n)) return bad(QStringLiteral("a whole number of bytes (0: off)"));
    Faults.CutTransferAt = int(n);
  } else if (name == QLatin1String("delay")) {
    if (!Whole(value, 0, 600000, &n)) return bad(QStringLiteral("0-600000 milliseconds"));
    Faults.DelayMs = int(n);
  } else if (name == QLatin1String("vanish-after")) {
    if (!Number(value, 0, 1e7, &d)) return bad(QStringLiteral("a number of seconds"));
    Faults.VanishAfter = d;
  }
  return true;
}

bool TSimOptions::Finish(QString* error) {
  for (TCardSpec& card : Cards)
    if (card.Model.isEmpty()) card.Model = card.IsVexa() ? "Vexa" : "B16S";
  if (!FNakGiven) InverterNak = TInverter::DefaultNakCodes(InverterType);
  if (InverterType == TInverter::TType::Pellor && InverterProgram > 6553) {
    *error = QStringLiteral("inverter-program: a pellor reports the program in tenths, so at most 6553");
    return false;
  }
  const QString tmp = QDir::tempPath();
  const QString uid = QString::number(getuid());
  if (SerialDir.isEmpty()) SerialDir = qEnvironmentVariable("QUORLEX_SIM_DIR", tmp + QStringLiteral("/quorlex-sim-") + uid);
  if (DeviceDir.isEmpty()) {
    DeviceDir = qEnvironmentVariable("QUORLEX_DEVICE_DIR");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (DeviceDir.isEmpty())
      DeviceDir = runtime.isEmpty() ? tmp + QStringLiteral("/quorlex-devices-") + uid : runtime + QStringLiteral("/quorlex/devices");
  }
  return true;
}

bool TSimOptions::Load(const QStringList& args, TPlantModel& plant, QStringList* notes, QString* error) {
  if (!Parse(args, error)) return false;
  if (Help) return true;
  QString file = PlantFile;
  if (file.isEmpty() && !Rig.isEmpty()) file = QDir(Rig).filePath(QStringLiteral("sim/plant.ini"));
  if (!PlantFile.isEmpty() && !QFileInfo::exists(PlantFile)) {
    *error = QStringLiteral("plant file %1 not found").arg(PlantFile);
    return false;
  }
  if (!file.isEmpty() && QFileInfo::exists(file)) {
    if (!plant.LoadFile(file, error)) return false;
    QString why;
    if (!ApplyPlantSettings(plant.CardSettings(), &why)) {
      *error = file + QStringLiteral(", ") + why;
      return false;
    }
  } else {
    notes->append(QStringLiteral("no plant file%1: running a flat plant (every input stays at 0)")
                      .arg(file.isEmpty() ? QString() : QStringLiteral(" at ") + file));
  }
  if (Seed) plant.SetSeed(*Seed);
  if (CaptureRig)
    for (int bit = 0; bit < 4; ++bit) plant.SetDigitalDefault(2 + bit, (*CaptureRig >> bit) & 1);
  return Finish(error);
}
