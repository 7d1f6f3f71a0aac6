// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WorkbenchSettings.h"

namespace settings {

namespace {

const QString kWorkbench = QStringLiteral("Workbench");

void ReadSwitch(Store& store, const QString& key, bool& value) {
    bool b = false;
    if (ParseBoolean(store.Get(kWorkbench, key, value ? "True" : "False"), b)) value = b;
}

} // namespace

WorkbenchValues ReadWorkbench(Store& store, const QStringList& panels) {
    WorkbenchValues v;
    for (const QString& key : panels)
        if (bool b = false; ParseBoolean(store.Get(kWorkbench, key, {}), b)) v.Panels[key] = b;
    ReadSwitch(store, "LineNumbers", v.LineNumbers);
    ReadSwitch(store, "StartFitted", v.StartFitted);
    ReadSwitch(store, "PrintTools", v.PrintTools);
    ReadSwitch(store, "StockSection", v.StockSection);
    ReadSwitch(store, "NosePath", v.NosePath);
    ReadSwitch(store, "IsoControl", v.IsoControl);
    return v;
}

void WriteWorkbench(Store& store, const WorkbenchValues& v) {
    auto text = [](bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); };
    for (const auto& [key, shown] : v.Panels)
        store.Put(kWorkbench, key, text(shown));
    store.Put(kWorkbench, "LineNumbers", text(v.LineNumbers));
    store.Put(kWorkbench, "StartFitted", text(v.StartFitted));
    store.Put(kWorkbench, "PrintTools", text(v.PrintTools));
    store.Put(kWorkbench, "StockSection", text(v.StockSection));
    store.Put(kWorkbench, "NosePath", text(v.NosePath));
    store.Put(kWorkbench, "IsoControl", text(v.IsoControl));
}

} // namespace settings
