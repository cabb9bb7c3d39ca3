#pragma once

#include <QDateTime>
#include <QWidget>

class QComboBox;
class QDateTimeEdit;
class QSlider;
class QTimer;
class QToolButton;

// The control strip of the time filter: a start and an end date, a slider that runs from one
// to the other a minute per step, the instant it stands for, play/pause, a speed and "∞",
// which switches the filter off. It only reports what the analyst chose; the main window
// hands that to the scene of the current tab. The arithmetic is TimelineMath's.
class TimelineWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TimelineWidget(QWidget *parent = nullptr);

    QDateTime start() const;
    QDateTime end() const;
    QDateTime instant() const;
    QSlider *slider() const { return m_slider; }
    bool isPlaying() const { return m_playing; }
    int intervalMs() const { return m_intervalMs; }

    // Sets both dates without reporting anything, the slider back at the start.
    void setSpan(const QDateTime &start, const QDateTime &end);

Q_SIGNALS:
    void rangeChanged(const QDateTime &start, const QDateTime &end);
    void instantChanged(const QDateTime &instant);
    void playbackStateChanged(bool playing);

public Q_SLOTS:
    void onStartDateEdited(const QDateTime &start);
    void onEndDateEdited(const QDateTime &end);
    void onProgressChanged(int value);
    void onPlayPause();
    void onClearFilter();
    void onSpeedChanged(int index);
    void onInstantEdited(const QDateTime &instant);

private:
    void onTimerTick();
    // Slider range for the current dates, the value set without reporting it.
    void resetSlider(int value);
    // Reports the slider's instant and shows it in the instant editor.
    void emitInstant();
    void showInstant(const QDateTime &instant);
    void setPlaying(bool playing);

    QDateTimeEdit *m_start = nullptr;
    QDateTimeEdit *m_end = nullptr;
    QSlider *m_slider = nullptr;
    QDateTimeEdit *m_instant = nullptr;
    QToolButton *m_playPause = nullptr;
    QComboBox *m_speed = nullptr;
    QToolButton *m_clear = nullptr;
    QTimer *m_timer = nullptr;
    bool m_playing = false;
    int m_intervalMs = 250;
};
