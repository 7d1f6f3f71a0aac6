// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Actions.h"

#include <QAction>

#include <stdexcept>

namespace app {

QAction* ActionSet::Make(const char* name, const QString& caption, const QKeySequence& key, bool checkable) {
    auto* a = new QAction(caption, Owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(key);
    a->setCheckable(checkable);
    // The toolbars show the icons; the menus keep plain captions and real check marks.
    a->setIconVisibleInMenu(false);
    ByName.insert(a->objectName(), a);
    return a;
}

void ActionSet::Adopt(QAction* action) {
    ByName.insert(action->objectName(), action);
}

QAction* ActionSet::operator()(const QString& name) const {
    QAction* a = ByName.value(name);
    if (!a) throw std::logic_error("no command " + name.toStdString());
    return a;
}

} // namespace app
