#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

class QDateTime;

// What the STIX reader and writer know of STIX 2.1: the kinds of the standard object
// types, the rules for type names, identifiers and property names, timestamps, and the JSON
// type the standard gives to each of its own properties.
namespace StixSchema {

enum class Kind {
    Custom,       // not a standard type: written like a domain object
    Domain,       // SDO: created and modified required
    Observable,   // SCO: no created, modified or name
    Relationship, // relationship and sighting
    Meta,         // marking-definition, language-content, extension-definition
};

Kind kindOf(const QString &type);

// Lower-case letters, digits and single hyphens, starting with a letter, 3 to 250 long.
bool isTypeName(const QString &type);
// A type name starting with "x-".
bool isCustomTypeName(const QString &type);
// ^[a-z][a-z0-9_]{2,249}$: the standard's characters, starting with a letter as its schemas
// want.
bool isPropertyName(const QString &name);
// Whether value suits the "value" of an observable of that type (ipv4-addr, ipv6-addr,
// domain-name, url, email-addr, mac-addr) in the form the standard's schemas accept.
bool isObservableValue(const QString &type, const QString &value);
// "<type>--<RFC 4122 UUID>".
bool isIdentifier(const QString &id);
QString identifierType(const QString &id);

// "<type>--<UUIDv5 of key>": the same key always gives the same identifier.
QString derivedIdentifier(const QString &type, const QString &key);

// UTC with milliseconds, as created and modified require.
QString timestamp(const QDateTime &value);
// ISO 8601 with or without milliseconds, converted to UTC; invalid when it does not parse.
QDateTime parseTimestamp(const QString &text);

// The text an imported property keeps: strings unchanged, numbers in their shortest form,
// arrays as their elements' texts joined with ", ", objects as compact JSON, null as "".
QString valueText(const QJsonValue &value);

// The text of an attribute row holding a property: a string as it is, any other value as
// its compact JSON text (["a","b"], 3, true); null as "".
QString rowText(const QJsonValue &value);

// The value a row's text stands for. original is the property's value when it was imported,
// undefined for a row the analyst added: the text takes that value's JSON type when it can,
// and the result is then typed as typedValue types it.
std::optional<QJsonValue> rowValue(const QString &name, const QString &text,
                                   const QJsonValue &original);

// The value of a property as the standard types it, from the text kept on import or from a
// JSON value; nothing when the value cannot take that type (the property is then left out
// rather than written wrong). Lists may come as JSON text or as texts joined with ", ".
// Properties the standard does not define stay as given, except that "true" and "false" of
// an "x_" property become booleans again and a text holding a JSON list or object becomes
// that list or object.
std::optional<QJsonValue> typedValue(const QString &name, const QJsonValue &value);

} // namespace StixSchema
