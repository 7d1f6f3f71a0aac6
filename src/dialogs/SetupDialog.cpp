// SPDX-License-Identifier: GPL-3.0-or-later
// The setup dialog.

#include "dialogs/SetupDialog.h"

#include "stock/SetupNumber.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace dialogs {

namespace {

using Tool = stock::Tool;

// The tools table's columns: their heads and the setup file's keys.
struct ColumnInfo {
    const char* Head;
    const char* Key;
};
constexpr ColumnInfo Columns[SetupDialog::ColumnCount] = {{"T", "number"},
                                                          {"Kind", "kind"},
                                                          {"Shape", "shape"},
                                                          {"Edge", "edge_length"},
                                                          {"Nose R", "nose_radius"},
                                                          {"Tip", "tip"},
                                                          {"Approach°", "approach_angle"},
                                                          {"Width", "width"},
                                                          {"Corner R", "corner_radius"},
                                                          {"Reach", "reach"},
                                                          {"Thread°", "included_angle"},
                                                          {"Tip R", "tip_radius"},
                                                          {"Drill D", "diameter"},
                                                          {"Point°", "point_angle"},
                                                          {"Flute", "flute_length"},
                                                          {"Axis", "axis"},
                                                          {"Driven", "driven"}};

constexpr const char* KindNames[] = {"turning", "boring", "grooving", "parting", "thread", "drill"};
constexpr const char* ShapeLetters = "CDEVSTWR";
// The feed axes in the order of Tool::Axis: a blade's usual one is X, a drill's Z.
constexpr const char* AxisNames[] = {"usual", "X", "Z"};

// Whether the column holds a typed number (not a combo box or a check box).
bool Numeric(int column) {
    return column != SetupDialog::ColKind && column != SetupDialog::ColShape &&
           column != SetupDialog::ColAxis && column != SetupDialog::ColDriven;
}

// The shortest text that reads back to the same number.
QString Text(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, static_cast<qsizetype>(r.ptr - buf));
}

// Whether the operator's locale writes a decimal comma ("12,5").
bool CommaLocale() {
    return QLocale().decimalPoint() == QLatin1String(",");
}

// A number as typed ("12.5", "-90", "1e3"), read as the setup file reads it; nothing else. A
// group separator is never skipped ("60,000" is no number): where the locale writes a decimal
// comma, one comma is the decimal point ("12,5" is 12.5).
std::optional<double> Number(const QString& text) {
    QString t = text.trimmed();
    if (CommaLocale() && t.count(u',') == 1 && !t.contains(u'.')) t.replace(u',', u'.');
    return stock::ReadSetupNumber(t.toStdString());
}

// Why `text` is not a number, for the message after the field's name.
QString NotANumber(const QString& text) {
    QString why = QStringLiteral("is not a number: \"") + text + QLatin1Char('"');
    if (text.contains(u',') && !CommaLocale())
        why += QStringLiteral(" (a decimal point, no group separators)");
    return why;
}

// Whether a tool of the kind (an index of KindNames) uses the column's value.
bool UsedBy(int kind, int column) {
    switch (column) {
    case SetupDialog::ColShape:
    case SetupDialog::ColEdge:
    case SetupDialog::ColNose:
    case SetupDialog::ColApproach:
        return kind <= 1; // turning and boring inserts
    case SetupDialog::ColWidth:
    case SetupDialog::ColCorner:
    case SetupDialog::ColReach:
        return kind == 2 || kind == 3; // grooving and parting blades
    case SetupDialog::ColAngle:
    case SetupDialog::ColTipRadius:
        return kind == 4;
    case SetupDialog::ColDrill:
    case SetupDialog::ColPoint:
    case SetupDialog::ColFlute:
        return kind == 5;
    case SetupDialog::ColAxis:
        return kind >= 2 && kind != 4; // blades and drills
    default:
        return true; // number, kind, tip, driven
    }
}

const QString Marked = QStringLiteral("background-color: #ffc8c8; color: black");

} // namespace

SetupDialog::SetupDialog(const stock::Setup& setup, const QString& note, QWidget* parent)
    : QDialog(parent), Initial(setup) {
    setWindowTitle(QStringLiteral("Setup"));
    auto edit = [this](const char* key) {
        auto* e = new QLineEdit(this);
        Fields[key] = e;
        connect(e, &QLineEdit::textChanged, this, [this] { Judge(); });
        return e;
    };
    // 1. The stock.
    auto* stockBox = new QGroupBox(QStringLiteral("Stock"), this);
    auto* stockForm = new QFormLayout(stockBox);
    StockKind = new QComboBox(stockBox);
    StockKind->addItems({QStringLiteral("Bar"), QStringLiteral("Tube")});
    if (setup.Material.Shape == stock::Stock::Kind::Profile)
        StockKind->addItem(QStringLiteral("Profile (as in the file)"));
    Diameter = edit("stock.diameter"), Bore = edit("stock.bore"), Length = edit("stock.length");
    FrontZ = edit("stock.front_z"), FaceAllowance = edit("stock.face_allowance");
    stockForm->addRow(QStringLiteral("&Kind"), StockKind);
    stockForm->addRow(QStringLiteral("&Diameter"), Diameter);
    stockForm->addRow(QStringLiteral("&Bore"), Bore);
    stockForm->addRow(QStringLiteral("&Length"), Length);
    stockForm->addRow(QStringLiteral("&Front face Z"), FrontZ);
    stockForm->addRow(QStringLiteral("Face &allowance"), FaceAllowance);

    // 2. The work holding.
    auto* holdBox = new QGroupBox(QStringLiteral("Work holding"), this);
    auto* holdForm = new QFormLayout(holdBox);
    HasChuck = new QCheckBox(QStringLiteral("&Chuck"), holdBox);
    ChuckFaceZ = edit("chuck.face_z"), ChuckDiameter = edit("chuck.diameter");
    GripLength = edit("chuck.grip_length"), JawHeight = edit("chuck.jaw_height");
    StepLength = edit("chuck.step.length"), StepHeight = edit("chuck.step.height");
    HasTailstock = new QCheckBox(QStringLiteral("Tail&stock"), holdBox);
    TailstockZ = edit("tailstock.z");
    holdForm->addRow(HasChuck);
    holdForm->addRow(QStringLiteral("Chuck face &Z"), ChuckFaceZ);
    holdForm->addRow(QStringLiteral("Chuck diamet&er"), ChuckDiameter);
    holdForm->addRow(QStringLiteral("&Grip length"), GripLength);
    holdForm->addRow(QStringLiteral("&Jaw height"), JawHeight);
    holdForm->addRow(QStringLiteral("Step lengt&h"), StepLength);
    holdForm->addRow(QStringLiteral("Step heigh&t"), StepHeight);
    holdForm->addRow(HasTailstock);
    holdForm->addRow(QStringLiteral("Tailstock centre Z"), TailstockZ);

    // 3. The tools, a row each.
    auto* toolBox = new QGroupBox(QStringLiteral("T&ools (sizes in mm, angles in degrees)"), this);
    Tools = new QTableWidget(0, ColumnCount, toolBox);
    QStringList heads;
    for (const ColumnInfo& c : Columns)
        heads << QString::fromUtf8(c.Head);
    Tools->setHorizontalHeaderLabels(heads);
    Tools->verticalHeader()->hide();
    Tools->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Tools->setTabKeyNavigation(true);
    AddTool = new QPushButton(QStringLiteral("&Add tool"), toolBox);
    RemoveTool = new QPushButton(QStringLiteral("&Remove tool"), toolBox);
    auto* toolButtons = new QVBoxLayout;
    toolButtons->addWidget(AddTool);
    toolButtons->addWidget(RemoveTool);
    toolButtons->addStretch();
    auto* toolLayout = new QHBoxLayout(toolBox);
    toolLayout->addWidget(Tools, 1);
    toolLayout->addLayout(toolButtons);

    Message = new QLabel(this);
    Message->setWordWrap(true);
    Ok = new QPushButton(QStringLiteral("O K"), this);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Message, 1);
    buttons->addWidget(Ok);
    buttons->addWidget(Cancel);

    auto* top = new QHBoxLayout;
    top->addWidget(stockBox);
    top->addWidget(holdBox);
    auto* layout = new QVBoxLayout(this);
    if (!note.isEmpty()) {
        auto* noteLabel = new QLabel(note, this);
        noteLabel->setWordWrap(true);
        layout->addWidget(noteLabel);
    }
    layout->addLayout(top);
    layout->addWidget(toolBox, 1);
    layout->addLayout(buttons);

    // 4. The values.
    Filling = true;
    const stock::Stock& s = setup.Material;
    StockKind->setCurrentIndex(static_cast<int>(s.Shape));
    Diameter->setText(Text(s.Diameter));
    Bore->setText(Text(s.Bore));
    Length->setText(Text(s.Length));
    FrontZ->setText(Text(s.FrontZ));
    FaceAllowance->setText(Text(s.FaceAllowance));
    const stock::WorkHolding h = setup.Holding.value_or(stock::WorkHolding{});
    HasChuck->setChecked(setup.Holding && h.Chuck);
    ChuckFaceZ->setText(Text(h.ChuckFaceZ));
    ChuckDiameter->setText(Text(h.ChuckDiameter));
    GripLength->setText(Text(h.GripLength));
    JawHeight->setText(Text(h.JawHeight));
    StepLength->setText(Text(h.StepLength));
    StepHeight->setText(Text(h.StepHeight));
    HasTailstock->setChecked(setup.Holding && h.TailstockZ);
    TailstockZ->setText(Text(h.TailstockZ.value_or(0)));
    for (const auto& [number, tool] : setup.Tools) {
        AddToolRow(number, tool);
        RowNumbers.back() = number;
    }
    Filling = false;

    connect(StockKind, &QComboBox::currentIndexChanged, this, [this] { Judge(); });
    connect(HasChuck, &QCheckBox::toggled, this, [this] { Judge(); });
    connect(HasTailstock, &QCheckBox::toggled, this, [this] { Judge(); });
    connect(Tools, &QTableWidget::itemChanged, this, [this] { Judge(); });
    connect(AddTool, &QPushButton::clicked, this, [this] {
        std::set<int> used;
        for (int r = 0; r < Tools->rowCount(); ++r)
            used.insert(Tools->item(r, ColNumber)->text().toInt());
        int n = 1;
        while (used.count(n) && n < 99)
            ++n;
        Tool t;
        t.Source = "setup file";
        AddToolRow(n, t);
        Tools->setCurrentCell(Tools->rowCount() - 1, ColNumber);
        Tools->setFocus();
    });
    connect(RemoveTool, &QPushButton::clicked, this, [this] {
        const int r = Tools->currentRow();
        if (r < 0) return;
        Tools->removeRow(r);
        RowTools.erase(RowTools.begin() + r);
        RowNumbers.erase(RowNumbers.begin() + r);
        Judge();
    });
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    Judge();
    // Wide enough for every column of the tools table, tall enough for a few rows.
    Tools->resizeColumnsToContents();
    const int table =
        Tools->horizontalHeader()->length() + Tools->verticalScrollBar()->sizeHint().width() + 4;
    resize(std::max(sizeHint().width(), table + AddTool->sizeHint().width() + 60), sizeHint().height() + 120);
}

void SetupDialog::AddToolRow(int number, const Tool& tool) {
    const bool filling = Filling;
    Filling = true;
    const int r = Tools->rowCount();
    Tools->insertRow(r);
    RowTools.push_back(tool);
    RowNumbers.push_back(-1);
    const double values[ColumnCount] = {double(number),
                                        0,
                                        0,
                                        tool.EdgeLength,
                                        tool.NoseRadius,
                                        double(tool.TipDirection),
                                        tool.ApproachAngle,
                                        tool.Width,
                                        tool.CornerRadius,
                                        tool.Reach,
                                        tool.IncludedAngle,
                                        tool.TipRadius,
                                        tool.DrillDiameter,
                                        tool.PointAngle,
                                        tool.FluteLength,
                                        0,
                                        0};
    for (int c = 0; c < ColumnCount; ++c)
        if (Numeric(c)) Tools->setItem(r, c, new QTableWidgetItem(Text(values[c])));
    auto* driven = new QTableWidgetItem;
    driven->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    driven->setCheckState(tool.Driven ? Qt::Checked : Qt::Unchecked);
    Tools->setItem(r, ColDriven, driven);
    auto* kind = new QComboBox(Tools);
    for (const char* k : KindNames)
        kind->addItem(QString::fromLatin1(k));
    kind->setCurrentIndex(static_cast<int>(tool.Type));
    auto* shape = new QComboBox(Tools);
    for (const char* s = ShapeLetters; *s; ++s)
        shape->addItem(QString(QChar::fromLatin1(*s)));
    shape->setCurrentIndex(
        std::max<int>(0, QString::fromLatin1(ShapeLetters).indexOf(QChar::fromLatin1(tool.Shape))));
    Tools->setCellWidget(r, ColKind, kind);
    Tools->setCellWidget(r, ColShape, shape);
    auto* axis = new QComboBox(Tools);
    for (const char* a : AxisNames)
        axis->addItem(QString::fromLatin1(a));
    axis->setCurrentIndex(static_cast<int>(tool.FeedAxis));
    axis->setToolTip(QStringLiteral("The axis a blade or drill feeds along: X across the turning axis "
                                    "(a radial groove, a cross hole), Z along it (a face groove, a hole "
                                    "in the face); usual: X for blades, Z for drills"));
    Tools->setCellWidget(r, ColAxis, axis);
    for (QComboBox* box : {kind, shape, axis})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Judge(); });
    Filling = filling;
    if (!Filling) Judge();
}

std::optional<stock::Setup> SetupDialog::Read(std::string& field, QString& why) const {
    stock::Setup s = Initial;
    bool good = true;
    auto number = [&](QLineEdit* e, double& out) {
        if (!good) return;
        for (const auto& [key, widget] : Fields)
            if (widget == e) field = key;
        if (const std::optional<double> v = Number(e->text())) {
            out = *v;
        } else {
            good = false;
            why = QString::fromStdString(field) + QLatin1Char(' ') + NotANumber(e->text());
        }
    };
    // 1. The stock; a profile is kept as it was read.
    const int kind = StockKind->currentIndex();
    if (kind != static_cast<int>(stock::Stock::Kind::Profile)) {
        s.Material = stock::Stock{};
        s.Material.RubDepth = Initial.Material.RubDepth; // no field of the dialog: kept as read
        s.Material.Shape = kind == 1 ? stock::Stock::Kind::Tube : stock::Stock::Kind::Bar;
        number(Diameter, s.Material.Diameter);
        if (kind == 1) number(Bore, s.Material.Bore);
        number(Length, s.Material.Length);
        number(FrontZ, s.Material.FrontZ);
        number(FaceAllowance, s.Material.FaceAllowance);
    }
    // 2. The work holding: a chuck, a tailstock, both or none.
    s.Holding.reset();
    if (HasChuck->isChecked() || HasTailstock->isChecked()) {
        stock::WorkHolding h = Initial.Holding.value_or(stock::WorkHolding{});
        h.Chuck = HasChuck->isChecked();
        if (!h.Chuck) h = stock::WorkHolding{}, h.Chuck = false;
        if (h.Chuck) {
            number(ChuckFaceZ, h.ChuckFaceZ);
            number(ChuckDiameter, h.ChuckDiameter);
            number(GripLength, h.GripLength);
            number(JawHeight, h.JawHeight);
            number(StepLength, h.StepLength);
            number(StepHeight, h.StepHeight);
        }
        h.TailstockZ.reset();
        if (HasTailstock->isChecked()) {
            double z = 0;
            number(TailstockZ, z);
            h.TailstockZ = z;
        }
        s.Holding = h;
    }
    // 3. The tools.
    s.Tools.clear();
    for (int r = 0; good && r < Tools->rowCount(); ++r) {
        Tool t = RowTools[r];
        double cells[ColumnCount] = {};
        for (int c = 0; good && c < ColumnCount; ++c) {
            if (!Numeric(c)) continue;
            const QString text = Tools->item(r, c)->text();
            const std::optional<double> v = Number(text);
            const bool whole = c == ColNumber || c == ColTip;
            if (!v || (whole && *v != std::floor(*v))) {
                good = false;
                field = "row." + std::to_string(r) + "." + Columns[c].Key;
                why = QStringLiteral("tool row %1: %2 ").arg(r + 1).arg(QString::fromLatin1(Columns[c].Key)) +
                      (v ? QStringLiteral("is not a whole number: \"") + text + QLatin1Char('"')
                         : NotANumber(text));
            } else {
                cells[c] = *v;
            }
        }
        if (!good) break;
        const int n = static_cast<int>(std::clamp(cells[ColNumber], -1.0, 100.0));
        if (s.Tools.count(n)) {
            field = "row." + std::to_string(r) + ".number";
            why = QStringLiteral("tool %1 is described twice").arg(n);
            return std::nullopt;
        }
        t.Type =
            static_cast<Tool::Kind>(static_cast<QComboBox*>(Tools->cellWidget(r, ColKind))->currentIndex());
        t.Shape = ShapeLetters[static_cast<QComboBox*>(Tools->cellWidget(r, ColShape))->currentIndex()];
        t.EdgeLength = cells[ColEdge], t.NoseRadius = cells[ColNose];
        t.TipDirection = static_cast<int>(std::clamp(cells[ColTip], -1.0, 10.0));
        t.ApproachAngle = cells[ColApproach], t.Width = cells[ColWidth], t.CornerRadius = cells[ColCorner];
        t.Reach = cells[ColReach], t.IncludedAngle = cells[ColAngle], t.TipRadius = cells[ColTipRadius];
        t.DrillDiameter = cells[ColDrill], t.PointAngle = cells[ColPoint], t.FluteLength = cells[ColFlute];
        t.FeedAxis =
            static_cast<Tool::Axis>(static_cast<QComboBox*>(Tools->cellWidget(r, ColAxis))->currentIndex());
        t.Driven = Tools->item(r, ColDriven)->checkState() == Qt::Checked;
        s.Tools[n] = t;
    }
    if (!good) return std::nullopt;
    // 4. The rule the setup file's reader judges by.
    const stock::SetupProblem p = stock::FindProblem(s);
    if (!p.Field.empty()) {
        field = p.Field, why = QString::fromStdString(p.Message);
        return std::nullopt;
    }
    field.clear(), why.clear();
    return s;
}

void SetupDialog::Judge() {
    if (Filling) return;
    const bool roundStock = StockKind->currentIndex() != static_cast<int>(stock::Stock::Kind::Profile);
    for (QLineEdit* e : {Diameter, Length, FrontZ, FaceAllowance})
        e->setEnabled(roundStock);
    Bore->setEnabled(StockKind->currentIndex() == 1);
    for (QLineEdit* e : {ChuckFaceZ, ChuckDiameter, GripLength, JawHeight, StepLength, StepHeight})
        e->setEnabled(HasChuck->isChecked());
    TailstockZ->setEnabled(HasTailstock->isChecked());
    RemoveTool->setEnabled(Tools->rowCount() > 0);
    std::string field;
    Current = Read(field, Why);
    Mark(field);
    Message->setText(Why);
    Ok->setEnabled(Current.has_value());
}

std::optional<stock::Setup> SetupDialog::Edited() const {
    return Current;
}

QString SetupDialog::Problem() const {
    return Why;
}

std::map<int, int> SetupDialog::Origins() const {
    std::map<int, int> origins;
    for (int r = 0; r < Tools->rowCount(); ++r)
        if (const std::optional<double> n = Number(Tools->item(r, ColNumber)->text()))
            origins[static_cast<int>(*n)] = RowNumbers[r];
    return origins;
}

QWidget* SetupDialog::FieldWidget(const std::string& field, int& row, int& column) const {
    row = column = -1;
    if (const auto it = Fields.find(field); it != Fields.end()) return it->second;
    // "tool.N.key" (a tool by its number) or "row.R.key" (a row that could not be read).
    const size_t dot1 = field.find('.'), dot2 = field.find('.', dot1 + 1);
    if (dot1 == std::string::npos || dot2 == std::string::npos) return nullptr;
    const std::string head = field.substr(0, dot1), key = field.substr(dot2 + 1);
    const int n = std::atoi(field.substr(dot1 + 1, dot2 - dot1 - 1).c_str());
    for (int c = 0; c < ColumnCount; ++c)
        if (key == Columns[c].Key) column = c;
    for (int r = 0; r < Tools->rowCount(); ++r)
        if (head == "row" ? r == n : Number(Tools->item(r, ColNumber)->text()) == double(n)) row = r;
    return row >= 0 && column >= 0 ? Tools : nullptr;
}

void SetupDialog::Mark(const std::string& field) {
    for (const auto& [key, e] : Fields)
        e->setStyleSheet(QString());
    const bool filling = Filling;
    Filling = true;
    const QBrush unused = palette().brush(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r < Tools->rowCount(); ++r) {
        const int kind = static_cast<QComboBox*>(Tools->cellWidget(r, ColKind))->currentIndex();
        for (int c : {ColShape, ColAxis})
            Tools->cellWidget(r, c)->setEnabled(UsedBy(kind, c));
        for (int c = 0; c < ColumnCount; ++c) {
            if (QTableWidgetItem* item = Tools->item(r, c)) {
                item->setData(Qt::BackgroundRole, QVariant());
                // The values a kind does not use stay (the file keeps them) but are greyed.
                if (UsedBy(kind, c))
                    item->setData(Qt::ForegroundRole, QVariant());
                else
                    item->setForeground(unused);
            }
            if (QWidget* w = Tools->cellWidget(r, c)) w->setStyleSheet(QString());
        }
    }
    int row = -1, column = -1;
    if (QWidget* w = FieldWidget(field, row, column)) {
        if (w != Tools) {
            w->setStyleSheet(QStringLiteral("QLineEdit { ") + Marked + QStringLiteral(" }"));
        } else if (QTableWidgetItem* item = Tools->item(row, column)) {
            item->setBackground(QColor(255, 200, 200));
        } else if (QWidget* cell = Tools->cellWidget(row, column)) {
            cell->setStyleSheet(QStringLiteral("QComboBox { ") + Marked + QStringLiteral(" }"));
        }
    }
    Filling = filling;
}

} // namespace dialogs
