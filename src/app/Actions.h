// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's commands as QActions, each named after its menu control ("mnuStart"). Toolbar
// buttons, function-key panels, menus and shortcuts all trigger these, so each command exists
// once; the parts create the actions they own and find the others by name.

#include <QHash>
#include <QKeySequence>
#include <QString>

class QAction;
class QObject;

namespace app {

class ActionSet {
  public:
    explicit ActionSet(QObject* owner) : Owner(owner) {}
    // Creates the action `name` (captions, shortcut, check mark's checkability).
    QAction* Make(const char* name, const QString& caption, const QKeySequence& key = {},
                  bool checkable = false);
    // Takes an action made elsewhere (the workbench's) under its object name.
    void Adopt(QAction* action);
    // The action of that name; a name no part created is a programming error.
    QAction* operator()(const QString& name) const;

  private:
    QObject* Owner;
    QHash<QString, QAction*> ByName;
};

} // namespace app
