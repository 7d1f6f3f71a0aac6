#pragma once
// A status bar of keyed panels, as the window's two bars need them: each panel has a key, a
// text, a tool tip, a bevel (inset or raised), an enabled look for keyboard-lock panels, and
// reports clicks by its key.

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QString>

#include <functional>

namespace app {

class StatusPanel : public QLabel {
  public:
    StatusPanel(const QString& key, QWidget* parent);
    QString Key;
    bool Inset() const { return IsInset; }
    void SetInset(bool inset);
    void ClickAsOperator(); // a left-button press and release on the panel
    std::function<void(StatusPanel*)> Clicked;

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    bool IsInset = true;
};

class PanelBar : public QFrame {
  public:
    explicit PanelBar(QWidget* parent);
    // Adds a panel; a stretch panel takes the room the fixed ones leave (width in pixels).
    StatusPanel* AddPanel(const QString& key, const QString& text, const QString& toolTip, bool inset,
                          int width, bool stretch = false);
    StatusPanel* PanelAt(int index) const { return Panels.value(index - 1); } // 1-based like the bars
    StatusPanel* PanelByKey(const QString& key) const;
    int Count() const { return int(Panels.size()); }
    // Called with the clicked panel's key.
    std::function<void(const QString&)> PanelClick;

  private:
    QList<StatusPanel*> Panels;
};

} // namespace app
