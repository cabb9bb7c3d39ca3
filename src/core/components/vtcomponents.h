#pragma once

#include "components/component.h"

#include <QJsonObject>

// VirusTotal v3: reputation reports written as "vt_" rows, and sample archives attached to
// the node they were asked for.
namespace VtParsing {

enum class Kind { Ip, Domain, Url, File };

struct Report
{
    bool ok = false;
    QString error;
    qint64 malicious = 0;
    qint64 suspicious = 0;
    qint64 harmless = 0;
    qint64 reputation = 0;
    bool anyMalicious = false;
    qint64 lastAnalysisDate = 0; // epoch seconds; 0 when absent
    QStringList tags;
    QStringList resolutions;
    QStringList categories;
    QStringList families;
    QString url;
    QString lastFinalUrl;
    QString httpStatus;
    QString contentLength;
    QString threatLabel;
    QString asOwner;
    QString asn;
    QString country;
};
Report parseReport(const QJsonObject &reply);

// The rows a report gives a node of this kind, in writing order.
QList<QPair<QString, QString>> reportRows(const Report &report, Kind kind);

// VirusTotal's URL identifier: URL-safe Base64 of the UTF-8 bytes, without "=" padding.
QString urlIdentifier(const QString &url);

// The value a node is looked up by: the attribute rows named, in that order, then the label;
// the first trimmed value matching pattern. Empty when none does.
QString keyValue(const Node &node, const QStringList &keys, const QString &pattern);

// Wait before the given poll of an archive (1 to 40): 1 s for the first four, then 2 s.
int zipPollDelayMs(int attempt);
constexpr int zipPollAttempts = 40;

// The icon at this relative path: first under the application's directory or one of its
// parents, then under the working directory or one of its parents; an absolute path that
// exists as is; else the relative path unchanged.
QString resolveIcon(const QString &relative, const QString &applicationDir,
                    const QString &workingDir);

} // namespace VtParsing

class VirusTotalComponent : public Component
{
public:
    explicit VirusTotalComponent(VtParsing::Kind kind) : m_kind(kind) {}
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
    bool accepts(const Node &node) const override;
    int pauseMs(const ComponentOptions &options) const override { return options.delayMs; }

private:
    VtParsing::Kind m_kind;
};

class ComponentIpVirusTotal : public VirusTotalComponent
{
public:
    ComponentIpVirusTotal() : VirusTotalComponent(VtParsing::Kind::Ip) {}
};

class ComponentDomainVirusTotal : public VirusTotalComponent
{
public:
    ComponentDomainVirusTotal() : VirusTotalComponent(VtParsing::Kind::Domain) {}
};

class ComponentUrlVirusTotal : public VirusTotalComponent
{
public:
    ComponentUrlVirusTotal() : VirusTotalComponent(VtParsing::Kind::Url) {}
};

class ComponentFileVirusTotal : public VirusTotalComponent
{
public:
    ComponentFileVirusTotal() : VirusTotalComponent(VtParsing::Kind::File) {}
};

// Asks VirusTotal to pack a sample into a ZIP protected by "ambrette", waits for it, saves
// it in the temporary folder and attaches it as a media record; a node that is not a file
// gets a MALWARE node holding the archive.
class ComponentFileVirusTotalDownload : public AnyNodeComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};
