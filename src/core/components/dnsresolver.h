#pragma once

#include <QString>
#include <QStringList>

// Name resolution for the DNS component; tests answer from a table.
class DnsResolver
{
public:
    enum class RecordType { A, AAAA };

    virtual ~DnsResolver() = default;
    // The addresses of the records of that type, as text; empty on error or time-out. An
    // empty nameServer means the system's.
    virtual QStringList lookup(const QString &name, RecordType type, const QString &nameServer,
                               int timeoutMs) = 0;
};

// Asks the DNS servers, waiting in a local event loop at most the time-out.
class SystemDnsResolver : public DnsResolver
{
public:
    QStringList lookup(const QString &name, RecordType type, const QString &nameServer,
                       int timeoutMs) override;
};
