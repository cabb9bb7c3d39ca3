// Media records: their editor and sheet, the list of a tab's media, opening a file, and a
// file dropped on the canvas.
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "dialogs/filedropdialog.h"
#include "dialogs/mediaeditdialog.h"
#include "dialogs/mediaopener.h"
#include "dialogs/mediaslistdialog.h"
#include "dialogs/mediaviewdialog.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

const QString kAbcDigest =
    QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    writeBytes(path, content);
    return path;
}

} // namespace

// Stands in for the desktop: records the files it is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class TstMedia : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void digestFollowsTheFileField();
    void editorKeepsAnAbsentDate();
    void sheetShowsTheRecord();
    void embeddedMediaIsNeverOpened_data();
    void embeddedMediaIsNeverOpened();
    void missingAndExistingFiles();
    void mediaListPages();
    void dropDialogOffersKindsAndNodes();
    void droppedFileIsAttachedToChosenNodes();
    void droppedCsvIsImported();

private:
    UrlRecorder m_desktop;
};

void TstMedia::init()
{
    m_desktop.opened.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_desktop, "open");
}

void TstMedia::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TstMedia::digestFollowsTheFileField()
{
    QTemporaryDir dir;
    const QString abc = writeFile(dir, QStringLiteral("abc.bin"), "abc");
    MediaRecord record;
    record.name = QStringLiteral("échantillon");
    record.file = QStringLiteral("ancien.bin");
    record.sha256 = QStringLiteral("stale");
    ScriptedPrompter prompter;
    MediaEditDialog dialog(record, dir.path(), prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Éditer le média"));
    auto *file = dialog.findChild<QLineEdit *>(QStringLiteral("fileEdit"));
    auto *digest = dialog.findChild<QLineEdit *>(QStringLiteral("sha256Edit"));
    QCOMPARE(digest->text(), QStringLiteral("stale"));
    file->setText(abc);
    QCOMPARE(digest->text(), kAbcDigest);
    file->setText(dir.filePath(QStringLiteral("absent.bin")));
    QVERIFY(digest->text().isEmpty());
    // A path relative to the project folder is read there.
    file->setText(QStringLiteral("abc.bin"));
    QCOMPARE(digest->text(), kAbcDigest);

    dialog.findChild<QLineEdit *>(QStringLiteral("tagsEdit"))->setText(QStringLiteral("#apt #c2"));
    dialog.findChild<QPlainTextEdit *>(QStringLiteral("descriptionEdit"))
        ->setPlainText(QStringLiteral("capture du panneau"));
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    const MediaRecord edited = dialog.record();
    QCOMPARE(edited.file, QStringLiteral("abc.bin"));
    QCOMPARE(edited.sha256, kAbcDigest);
    QCOMPARE(edited.tags, QStringLiteral("#apt #c2"));
    QCOMPARE(edited.description, QStringLiteral("capture du panneau"));
    QCOMPARE(edited.name, QStringLiteral("échantillon"));
}

void TstMedia::editorKeepsAnAbsentDate()
{
    ScriptedPrompter prompter;
    MediaEditDialog without(MediaRecord(), QString(), prompter);
    without.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QVERIFY(!without.record().date.isValid());

    MediaRecord dated;
    dated.date = QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15));
    MediaEditDialog with(dated, QString(), prompter);
    with.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(with.record().date, dated.date);
}

void TstMedia::sheetShowsTheRecord()
{
    MediaRecord record;
    record.name = QStringLiteral("rapport");
    record.file = QStringLiteral("/cas/rapport.pdf");
    record.tags = QStringLiteral("#apt");
    record.author = QStringLiteral("CERT <équipe>");
    record.sha256 = kAbcDigest;
    MediaViewDialog dialog(record);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Description — rapport"));
    QCOMPARE(dialog.findChild<QPlainTextEdit *>(QStringLiteral("descriptionView"))->toPlainText(),
             QStringLiteral("(non renseignée)"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("summaryLabel"))->text(),
             QStringLiteral("<b>Fichier :</b> /cas/rapport.pdf<br/><b>Tags :</b> #apt<br/><b>Date :</b> "
                            "<br/><b>Auteur :</b> CERT &lt;équipe&gt;<br/><b>SHA256 :</b> <code>%1</code>")
                 .arg(kAbcDigest));
}

void TstMedia::embeddedMediaIsNeverOpened_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("qrc:/") << "qrc:/res/res/orvane.png";
    QTest::newRow(":/") << ":/res/res/orvane.png";
}

void TstMedia::embeddedMediaIsNeverOpened()
{
    QFETCH(QString, path);
    QVERIFY(QFile::exists(QStringLiteral(":/res/res/orvane.png")));
    ScriptedPrompter prompter;
    QVERIFY(!MediaOpener::open(prompter, nullptr, path, QString()));
    QCOMPARE(prompter.last().title, QStringLiteral("Média embarqué"));
    QCOMPARE(prompter.last().text, QStringLiteral("Ce média est embarqué en ressource (qrc) et ne "
                                                  "peut pas être ouvert par le système."));
    QVERIFY(m_desktop.opened.isEmpty());
}

void TstMedia::missingAndExistingFiles()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("note.txt"), "x");
    ScriptedPrompter prompter;
    QVERIFY(!MediaOpener::open(prompter, nullptr, QStringLiteral("manquant.txt"), dir.path()));
    QCOMPARE(prompter.last().title, QStringLiteral("Introuvable"));
    QCOMPARE(prompter.last().text,
             QStringLiteral("Fichier introuvable:\n%1").arg(dir.filePath(QStringLiteral("manquant.txt"))));
    QVERIFY(m_desktop.opened.isEmpty());

    QVERIFY(MediaOpener::open(prompter, nullptr, QStringLiteral("note.txt"), dir.path()));
    QCOMPARE(m_desktop.opened,
             QList<QUrl>{QUrl::fromLocalFile(dir.filePath(QStringLiteral("note.txt")))});
    QCOMPARE(prompter.calls.size(), 1);
}

void TstMedia::mediaListPages()
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("m000.png"), "x");
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QStringLiteral("Alpha"));
    Node b = makeNode(QStringLiteral("b"), QStringLiteral("Beta"));
    for (int i = 0; i < 201; ++i) {
        MediaRecord media;
        media.name = QStringLiteral("m%1").arg(i, 3, 10, QLatin1Char('0'));
        media.file = media.name + QStringLiteral(".png");
        media.tags = i == 150 ? QStringLiteral("#rare") : QString();
        (i < 100 ? a : b).medias.append(media);
    }
    graph.insertNode(a);
    graph.insertNode(b);
    ScriptedPrompter prompter;
    MediasListDialog dialog(graph, dir.path(), prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Liste des médias"));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("pageLabel"));
    auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("mediaTable"));
    QCOMPARE(label->text(), QStringLiteral("Page 1 / 2 — 201 média(s)"));
    QCOMPARE(table->rowCount(), 200);
    QCOMPARE(table->columnCount(), 6);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("a"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("m000"));
    QCOMPARE(table->item(0, 5)->text(), QStringLiteral("m000.png"));
    auto *next = dialog.findChild<QPushButton *>(QStringLiteral("nextPageButton"));
    next->click();
    QCOMPARE(label->text(), QStringLiteral("Page 2 / 2 — 201 média(s)"));
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("m200"));
    next->click();
    QCOMPARE(dialog.currentPage(), 1);

    auto *column = dialog.findChild<QComboBox *>(QStringLiteral("columnCombo"));
    column->setCurrentText(QStringLiteral("Tags"));
    dialog.findChild<QLineEdit *>(QStringLiteral("searchEdit"))->setText(QStringLiteral("RARE"));
    QCOMPARE(label->text(), QStringLiteral("Page 1 / 1 — 1 média(s)"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("m150"));

    dialog.findChild<QLineEdit *>(QStringLiteral("searchEdit"))->clear();
    column->setCurrentText(QStringLiteral("Nom du média"));
    dialog.onCellDoubleClicked(0, 0);
    QCOMPARE(m_desktop.opened,
             QList<QUrl>{QUrl::fromLocalFile(dir.filePath(QStringLiteral("m000.png")))});
}

void TstMedia::dropDialogOffersKindsAndNodes()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral("Serveur"), QStringLiteral("host")));
    graph.insertNode(makeNode(QStringLiteral("n2"), QStringLiteral("Acteur"), QStringLiteral("acteur")));
    graph.insertNode(makeNode(QStringLiteral("n3"), QStringLiteral("Poste"), QStringLiteral("host")));

    FileDropDialog csv(QStringLiteral("/tmp/export/edges.csv"), graph);
    QCOMPARE(csv.windowTitle(), QStringLiteral("Fichier déposé"));
    QCOMPARE(csv.kind(), FileDropDialog::Kind::EdgesCsv);
    FileDropDialog nodesCsv(QStringLiteral("/tmp/export/liste.CSV"), graph);
    QCOMPARE(nodesCsv.kind(), FileDropDialog::Kind::NodesCsv);

    FileDropDialog dialog(QStringLiteral("/tmp/capture.png"), graph);
    QCOMPARE(dialog.kind(), FileDropDialog::Kind::Media);
    auto *kinds = dialog.findChild<QComboBox *>(QStringLiteral("kindCombo"));
    QStringList kindTexts;
    for (int i = 0; i < kinds->count(); ++i)
        kindTexts << kinds->itemText(i);
    QCOMPARE(kindTexts, QStringList({QStringLiteral("CSV de nœuds"), QStringLiteral("CSV de relations"),
                                     QStringLiteral("Média à ajouter à des nœuds")}));
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("nodeTypeCombo"));
    QCOMPARE(types->itemText(0), QStringLiteral("Tous les types"));
    auto *nodes = dialog.findChild<QListWidget *>(QStringLiteral("nodeList"));
    QCOMPARE(nodes->count(), 3);
    nodes->item(0)->setCheckState(Qt::Checked); // Acteur
    types->setCurrentText(QStringLiteral("host"));
    int visible = 0;
    for (int i = 0; i < nodes->count(); ++i)
        visible += nodes->item(i)->isHidden() ? 0 : 1;
    QCOMPARE(visible, 2);
    nodes->item(1)->setCheckState(Qt::Checked); // Poste
    QCOMPARE(dialog.checkedNodeIds(), QStringList({QStringLiteral("n2"), QStringLiteral("n3")}));
    QCOMPARE(dialog.findChild<QDateEdit *>(QStringLiteral("dateEdit"))->date(), QDate::currentDate());
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("tagsEdit"))->placeholderText(),
             QStringLiteral("#tag1 #tag2"));
}

void TstMedia::droppedFileIsAttachedToChosenNodes()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("capture.png"), "png");
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral("Serveur"))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("n2"), QStringLiteral("Poste"))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("n3"), QStringLiteral("Autre"))); });
    window.refreshTab(tab);

    prompter.dialogs << [](QDialog &dialog) { return int(QDialog::Accepted); };
    Q_EMIT tab->view->fileDropped(path);
    QCOMPARE(prompter.last(QStringLiteral("dialog")).title, QStringLiteral("Fichier déposé"));
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Aucun nœud sélectionné pour le média."));

    prompter.dialogs << [](QDialog &dialog) {
        auto *nodes = dialog.findChild<QListWidget *>(QStringLiteral("nodeList"));
        for (int i = 0; i < nodes->count(); ++i) {
            if (nodes->item(i)->text() != u"Autre")
                nodes->item(i)->setCheckState(Qt::Checked);
        }
        dialog.findChild<QLineEdit *>(QStringLiteral("tagsEdit"))->setText(QStringLiteral("#preuve"));
        dialog.findChild<QLineEdit *>(QStringLiteral("authorEdit"))->setText(QStringLiteral("SOC"));
        dialog.findChild<QDateEdit *>(QStringLiteral("dateEdit"))->setDate(QDate(2024, 6, 1));
        return int(QDialog::Accepted);
    };
    window.onViewFileDropped(path);
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Média « capture.png » attaché à 2 nœud(s)."));
    for (const char *id : {"n1", "n2"}) {
        const QList<MediaRecord> medias = tab->graph().node(QLatin1String(id)).medias;
        QCOMPARE(medias.size(), 1);
        QCOMPARE(medias.at(0).file, path);
        QCOMPARE(medias.at(0).name, QStringLiteral("capture.png"));
        QCOMPARE(medias.at(0).tags, QStringLiteral("#preuve"));
        QCOMPARE(medias.at(0).author, QStringLiteral("SOC"));
        QCOMPARE(medias.at(0).date, QDate(2024, 6, 1).startOfDay());
    }
    QVERIFY(tab->graph().node(QStringLiteral("n3")).medias.isEmpty());
}

void TstMedia::droppedCsvIsImported()
{
    QTemporaryDir dir;
    const QString nodes = writeFile(dir, QStringLiteral("nodes.csv"),
                                    "id,label,type\nx1,Serveur,host\nx2,Poste,host\n");
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    prompter.dialogs << [](QDialog &) { return int(QDialog::Accepted); };
    window.onViewFileDropped(nodes);
    QCOMPARE(tab->graph().nodes().size(), 2);
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Nœuds importés depuis nodes.csv : 2 (total 2)"));

    const QString edges = writeFile(dir, QStringLiteral("edges.csv"), "id,src,dst\ne1,x1,x2\n");
    prompter.dialogs << [](QDialog &) { return int(QDialog::Accepted); };
    window.onViewFileDropped(edges);
    QCOMPARE(tab->graph().edges().size(), 1);
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Relations importées depuis edges.csv : 1 (total 1)"));

    prompter.dialogs << [](QDialog &dialog) {
        dialog.findChild<QComboBox *>(QStringLiteral("kindCombo"))->setCurrentIndex(0);
        return int(QDialog::Accepted);
    };
    window.onViewFileDropped(dir.filePath(QStringLiteral("vide.csv")));
    QCOMPARE(prompter.last().title, QStringLiteral("Erreur"));
    QVERIFY(prompter.last().text.contains(QStringLiteral("vide.csv")));
}

QTEST_MAIN(TstMedia)
#include "tst_media.moc"
