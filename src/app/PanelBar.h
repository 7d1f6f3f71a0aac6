// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A status bar of keyed panels, as the window's two bars need them: each panel has a key, a
// text, a tool tip, a bevel (inset or raised), a greyed look for keyboard-lock panels whose lock is off, and
// reports clicks by its key.

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace app {

// The widths of a bar's fixed panels (pixels) when the bar has `available` pixels for them: their
// natural widths when these fit; otherwise the widest are narrowed to one common width, just as
// far as needed, never below `least` each. The panels then never overlap.
std::vector<int> FitPanelWidths(const std::vector<int>& natural, int available, int least);
// The same with a least width of each panel's own (what its text needs in its smallest face): the
// others are narrowed further so that it keeps that.
std::vector<int> FitPanelWidths(const std::vector<int>& natural, const std::vector<int>& least,
                                int available);

class StatusPanel : public QLabel {
  public:
    StatusPanel(const QString& key, QWidget* parent);
    QString Key;
    // A panel narrower than its text shows the text cut short with "…" and the whole text as its
    // tool tip; otherwise the tool tip is its own.
    QString OwnToolTip;
    int NaturalWidth = 0;
    bool Stretch = false;
    // A panel whose text would be cut takes a smaller face first, down to ShrinkLeast points
    // (the function keys, whose captions the operator reads rather than remembers).
    bool ShrinkToFit = false;
    static constexpr double ShrinkLeast = 6.5;
    // The width `text` needs to show whole in the smallest face (16 for a panel that does not
    // shrink its face).
    int LeastWidth(const QString& text) const;
    // The face the text is drawn in, and the text as the panel shows it in its present width.
    QFont ShownFont() const;
    QString ShownText() const;
    bool Inset() const { return IsInset; }
    void SetInset(bool inset);
    // A lock panel whose lock is off: its text greyed. The panel stays enabled, so that a click
    // can still switch the lock on.
    bool Dimmed() const { return IsDimmed; }
    void SetDimmed(bool dimmed);
    void ClickAsOperator(); // a left-button press and release on the panel
    std::function<void(StatusPanel*)> Clicked;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool IsInset = true;
    bool IsDimmed = false;
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

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitPanels();
    QList<StatusPanel*> Panels;
};

} // namespace app
