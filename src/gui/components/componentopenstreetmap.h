#pragma once

#include "components/osmtiles.h"

#include <QDialog>
#include <QGraphicsView>

class Prompter;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
struct Tab;

struct OpenStreetMapOptions
{
    double lat = 48.8566;
    double lon = 2.3522;
    int zoom = 12;
    int width = 6;
    int height = 6;
    OsmTiles::Processing processing;
    bool placeNodes = true;
    bool skipAnchored = true;
    QString userAgent;
};

class ComponentOpenStreetMapDialog : public QDialog
{
    Q_OBJECT

public:
    ComponentOpenStreetMapDialog(const OpenStreetMapOptions &defaults, Prompter &prompter,
                                 QWidget *parent = nullptr);
    OpenStreetMapOptions options() const;

public Q_SLOTS:
    void chooseTint();

private:
    Prompter &m_prompter;
    QColor m_tint;
    QDoubleSpinBox *m_lat;
    QDoubleSpinBox *m_lon;
    QSpinBox *m_zoom;
    QSpinBox *m_width;
    QSpinBox *m_height;
    QCheckBox *m_desaturate;
    QPushButton *m_tintButton;
    QDoubleSpinBox *m_opacity;
    QCheckBox *m_placeNodes;
    QCheckBox *m_skipAnchored;
    QLineEdit *m_userAgent;
};

// Pans with the mouse and zooms with the wheel.
class MapPreviewView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit MapPreviewView(QGraphicsScene *scene, QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
};

// A temporary window of tiles around a centre with the tab's geolocated nodes pinned on it.
// It changes nothing in the graph.
class ComponentOpenStreetMap
{
public:
    ComponentOpenStreetMap(QWidget *parent, const Tab *tab, Prompter &prompter);
    // Asks for the options, then opens the preview and loads its tiles; the window stays
    // open after the call, or nothing when the options were cancelled.
    QDialog *run();

private:
    QWidget *m_parent;
    const Tab *m_tab;
    Prompter &m_prompter;
};
