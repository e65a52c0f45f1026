#pragma once

#include <QProgressBar>
#include <QTimer>

namespace lexiquill::widgets {

// A progress bar that shows a caption of its own instead of a percentage. Value and
// caption take effect at once for whoever reads them and reach the screen at
// display rate: a long run changes the caption once per item. A change after a quiet
// spell is drawn at once; changes that follow it wait for the end of the interval.
class CaptionProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit CaptionProgressBar(QWidget* parent);

    int position() const { return m_position; }
    // A value outside 0 to 100 is a PlatformError.
    void setPosition(int value);
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // What the bar draws, which follows the caption at display rate like the value.
    QString text() const override { return m_shownCaption; }

private:
    void changed();
    void refresh();

    int m_position = 0;
    QString m_caption;
    QString m_shownCaption;
    bool m_changedSinceRefresh = false;
    QTimer m_refreshTimer;
};

}  // namespace lexiquill::widgets
