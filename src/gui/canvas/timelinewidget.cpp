#include "canvas/timelinewidget.h"

#include "ops/timefilter.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace {

QDateTimeEdit *dateEditor(const QString &name, const QDateTime &value, QWidget *parent)
{
    auto *editor = new QDateTimeEdit(value, parent);
    editor->setObjectName(name);
    editor->setCalendarPopup(true);
    editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return editor;
}

} // namespace

TimelineWidget::TimelineWidget(QWidget *parent) : QWidget(parent)
{
    // A month up to the start of today, until the analyst or a loaded project says otherwise.
    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    m_start = dateEditor(QStringLiteral("timelineStart"), today.addDays(-30), this);
    m_end = dateEditor(QStringLiteral("timelineEnd"), today, this);
    m_instant = dateEditor(QStringLiteral("timelineInstant"), today.addDays(-30), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("timelineProgress"));
    m_slider->setSingleStep(1);
    m_slider->setMinimumWidth(160);
    m_playPause = new QToolButton(this);
    m_playPause->setObjectName(QStringLiteral("timelinePlayPause"));
    m_playPause->setText(QStringLiteral("▶"));
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("timelineSpeed"));
    for (const TimelineMath::Speed &speed : TimelineMath::speeds())
        m_speed->addItem(QString::fromUtf8(speed.text), speed.intervalMs);
    m_speed->setCurrentIndex(TimelineMath::defaultSpeedIndex);
    m_intervalMs = m_speed->currentData().toInt();
    m_clear = new QToolButton(this);
    m_clear->setObjectName(QStringLiteral("timelineClear"));
    m_clear->setText(QStringLiteral("∞"));
    m_clear->setToolTip(QStringLiteral("Désactiver le filtre temporel"));
    m_timer = new QTimer(this);
    m_timer->setInterval(m_intervalMs);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("Début"), this));
    layout->addWidget(m_start);
    layout->addWidget(new QLabel(QStringLiteral("Fin"), this));
    layout->addWidget(m_end);
    layout->addWidget(new QLabel(QStringLiteral("Progression"), this));
    layout->addWidget(m_slider, 1);
    layout->addWidget(new QLabel(QStringLiteral("Date/heure"), this));
    layout->addWidget(m_instant);
    layout->addWidget(m_playPause);
    layout->addWidget(new QLabel(QStringLiteral("Vitesse"), this));
    layout->addWidget(m_speed);
    layout->addWidget(m_clear);

    resetSlider(0);
    connect(m_start, &QDateTimeEdit::dateTimeChanged, this, &TimelineWidget::onStartDateEdited);
    connect(m_end, &QDateTimeEdit::dateTimeChanged, this, &TimelineWidget::onEndDateEdited);
    connect(m_slider, &QSlider::valueChanged, this, &TimelineWidget::onProgressChanged);
    connect(m_instant, &QDateTimeEdit::dateTimeChanged, this, &TimelineWidget::onInstantEdited);
    connect(m_playPause, &QToolButton::clicked, this, &TimelineWidget::onPlayPause);
    connect(m_speed, &QComboBox::currentIndexChanged, this, &TimelineWidget::onSpeedChanged);
    connect(m_clear, &QToolButton::clicked, this, &TimelineWidget::onClearFilter);
    connect(m_timer, &QTimer::timeout, this, &TimelineWidget::onTimerTick);
}

QDateTime TimelineWidget::start() const
{
    return m_start->dateTime();
}

QDateTime TimelineWidget::end() const
{
    return m_end->dateTime();
}

QDateTime TimelineWidget::instant() const
{
    return m_instant->dateTime();
}

void TimelineWidget::setSpan(const QDateTime &from, const QDateTime &to)
{
    const TimelineMath::Range range = TimelineMath::endEdited(from, to);
    {
        const QSignalBlocker startBlocker(m_start);
        const QSignalBlocker endBlocker(m_end);
        m_start->setDateTime(range.start);
        m_end->setDateTime(range.end);
    }
    resetSlider(0);
    showInstant(TimelineMath::instantForValue(start(), 0));
}

void TimelineWidget::resetSlider(int value)
{
    const int maximum = TimelineMath::sliderMaximum(start(), end());
    const QSignalBlocker blocker(m_slider);
    m_slider->setRange(0, maximum);
    m_slider->setPageStep(TimelineMath::pageStep(maximum));
    m_slider->setValue(std::clamp(value, 0, maximum));
}

void TimelineWidget::showInstant(const QDateTime &instant)
{
    const QSignalBlocker blocker(m_instant);
    m_instant->setDateTime(instant);
}

void TimelineWidget::emitInstant()
{
    const QDateTime instant = TimelineMath::instantForValue(start(), m_slider->value());
    Q_EMIT instantChanged(instant);
    showInstant(instant);
}

void TimelineWidget::onStartDateEdited(const QDateTime &value)
{
    const TimelineMath::Range range = TimelineMath::startEdited(value, end());
    if (range.end != end()) {
        const QSignalBlocker blocker(m_end);
        m_end->setDateTime(range.end);
    }
    resetSlider(0);
    Q_EMIT rangeChanged(range.start, range.end);
    emitInstant();
}

void TimelineWidget::onEndDateEdited(const QDateTime &value)
{
    const TimelineMath::Range range = TimelineMath::endEdited(start(), value);
    if (range.start != start()) {
        const QSignalBlocker blocker(m_start);
        m_start->setDateTime(range.start);
    }
    resetSlider(std::numeric_limits<int>::max());
    Q_EMIT rangeChanged(range.start, range.end);
    emitInstant();
}

void TimelineWidget::onProgressChanged(int)
{
    emitInstant();
}

void TimelineWidget::onInstantEdited(const QDateTime &instant)
{
    if (m_playing) {
        showInstant(TimelineMath::instantForValue(start(), m_slider->value()));
        return;
    }
    // Moving the slider reports the instant; an unmoved slider reports it here.
    const int value = TimelineMath::valueForInstant(start(), m_slider->maximum(), instant);
    if (value != m_slider->value())
        m_slider->setValue(value);
    else
        emitInstant();
}

void TimelineWidget::setPlaying(bool playing)
{
    m_playing = playing;
    m_instant->setEnabled(!playing);
    m_playPause->setText(playing ? QStringLiteral("⏸") : QStringLiteral("▶"));
}

void TimelineWidget::onPlayPause()
{
    if (m_playing) {
        setPlaying(false);
        m_timer->stop();
        Q_EMIT playbackStateChanged(false);
        return;
    }
    setPlaying(true);
    Q_EMIT playbackStateChanged(true);
    m_slider->setValue(TimelineMath::playStartValue(m_slider->value(), m_slider->maximum()));
    m_timer->start(m_intervalMs);
}

void TimelineWidget::onTimerTick()
{
    const int next = TimelineMath::nextPlayValue(m_slider->value(), m_slider->maximum());
    if (next >= 0) {
        m_slider->setValue(next);
        return;
    }
    m_timer->stop();
    setPlaying(false);
    Q_EMIT playbackStateChanged(false);
}

void TimelineWidget::onSpeedChanged(int index)
{
    m_intervalMs = m_speed->itemData(index).toInt();
    m_timer->setInterval(m_intervalMs);
}

void TimelineWidget::onClearFilter()
{
    Q_EMIT rangeChanged(QDateTime(), QDateTime());
}
