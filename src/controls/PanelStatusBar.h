#pragma once

#include <QWidget>

#include <vector>

class QLabel;

// A status bar of fixed-width panels laid side by side from its left edge, each with its text
// right-aligned; the last panel reaches the right edge. Panel texts are labels, so assistive
// technology reads them. Its accessible role is the status bar.
class PanelStatusBar : public QWidget
{
    Q_OBJECT
public:
    PanelStatusBar(const std::vector<int>& widths, QWidget* parent = nullptr);

    int panelCount() const { return int(m_widths.size()); }
    int panelWidth(int index) const { return m_widths[size_t(index)]; }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    // The panel's inner area, where its text (or a hosted control) stands.
    QRect panelRect(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutPanels();

    std::vector<int> m_widths;
    std::vector<QLabel*> m_labels;
};
