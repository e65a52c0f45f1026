#include "widgets/caption_progress_bar.h"

#include "platform/platform_error.h"
#include "widgets/display_refresh.h"

namespace lexiquill::widgets {

CaptionProgressBar::CaptionProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kDisplayRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        if (m_changedSinceRefresh) refresh();
    });
}

void CaptionProgressBar::setPosition(int value)
{
    if (value < 0 || value > 100) {
        throw platform::PlatformError(
            QStringLiteral("Invalid property value: the progress bar takes 0 to 100, not %1.")
                .arg(value));
    }
    m_position = value;
    changed();
}

void CaptionProgressBar::setCaption(const QString& caption)
{
    m_caption = caption;
    changed();
}

void CaptionProgressBar::changed()
{
    if (m_refreshTimer.isActive()) {
        m_changedSinceRefresh = true;
    } else {
        refresh();
    }
}

void CaptionProgressBar::refresh()
{
    m_changedSinceRefresh = false;
    m_refreshTimer.start();
    setValue(m_position);
    m_shownCaption = m_caption;
    update();
}

}  // namespace lexiquill::widgets
