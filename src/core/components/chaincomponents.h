#pragma once

#include "components/component.h"

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
// The JSON text with every integer literal longer than 15 digits quoted, so that it reaches
// the reader as exact text.
QByteArray quoteLongIntegers(const QByteArray &json);

} // namespace DecimalText

// The first 6 characters, "…" and the last 6 of a text longer than 12; else the text.
QString shortHash(const QString &hash);

class ComponentEthToTx : public AnyNodeComponent
{
public:
    ComponentInfo info() const override;
    ComponentOptions defaultOptions() const override;
    void process(NodeRun &run) const override;
};
