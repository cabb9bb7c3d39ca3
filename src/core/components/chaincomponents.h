#pragma once

#include "components/component.h"

#include <QJsonValue>
#include <QList>

// An EVM chain reached through Etherscan's multichain API.
struct EvmChain
{
    int id = 0;
    QString name;
    QString symbol;
};

namespace EvmChains {

// In the order of the "Blockchain" drop-down.
const QList<EvmChain> &all();
// The chain with this id; Ethereum Mainnet for an unknown one.
EvmChain byId(int id);
// Moves the options to another chain: the node and relation types that end with the old
// chain's symbol take the new one ("ADRESSE ETH" becomes "ADRESSE BNB").
void switchChain(ComponentOptions &options, int chainId);
// The text with a trailing " <from>" symbol turned into " <to>"; other texts unchanged.
QString followSymbol(const QString &text, const QString &from, const QString &to);

} // namespace EvmChains

// Amounts as decimal text, never through a floating-point number.
namespace DecimalText {

// The digits without leading zeros; "0" for empty or non-digit text.
QString normalised(const QString &digits);
// The smallest unit written in the native one: the point placed decimals digits from the
// right ("1500000000000000000", 18 → "1.500000000000000000"); "0" for zero.
QString fromSmallestUnit(const QString &digits, int decimals);
// The product of two whole numbers written in digits.
QString multiply(const QString &a, const QString &b);
// A number of a reply read with quoteLongIntegers: its text, or a short integer written out;
// empty for anything else.
QString ofJson(const QJsonValue &value);
// -1, 0 or 1 as the whole number a is below, equal to or above b.
int compare(const QString &a, const QString &b);
// a − b of two whole numbers, with a leading "-" when b is the larger.
QString subtract(const QString &a, const QString &b);
// The JSON text with every integer literal longer than 15 digits quoted, so that it reaches
// the reader as exact text.
QByteArray quoteLongIntegers(const QByteArray &json);

} // namespace DecimalText

// The first 6 characters, "…" and the last 6 of a text longer than 12; else the text.
QString shortHash(const QString &hash);

// The question asked once the transactions of an address are counted: how many to draw, and
// whether to write its balance.
ConfirmRequest transactionsQuestion(const QString &address, int count);

class ComponentEthToTx : public AnyNodeComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
    int pauseJitterMs() const override { return 1000; }
};

// Walks back the money of an EVM address: its funder is the sender of its first incoming
// transaction, or its creator when it is a contract; then the funder's own, up to the depth.
class ComponentEthFundedBy : public AnyNodeComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
    int pauseJitterMs() const override { return 1000; }
};
