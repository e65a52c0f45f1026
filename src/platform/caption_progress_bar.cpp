#include "platform/caption_progress_bar.h"

#include "platform/display_refresh.h"
#include "platform/platform_error.h"

namespace lexiquill::platform {

CaptionProgressBar::CaptionProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kDisplayRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CaptionProgressBar::refresh);
}

void CaptionProgressBar::setPosition(int value)
{
    if (value < 0 || value > 100) {
        throw PlatformError(QStringLiteral("Invalid property value: the progress bar takes 0 to 100, not %1.")
                                .arg(value));
    }
    m_position = value;
    if (!m_refreshTimer.isActive()) m_refreshTimer.start();
}

void CaptionProgressBar::setCaption(const QString& caption)
{
    m_caption = caption;
    if (!m_refreshTimer.isActive()) m_refreshTimer.start();
}

void CaptionProgressBar::refresh()
{
    setValue(m_position);
    update();
}

}  // namespace lexiquill::platform
