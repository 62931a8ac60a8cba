// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The machine's network addresses as texts, and a strict check for dotted-decimal IPv4 texts.
// Nothing in the program needs them yet; they complete the library.

#include <QString>
#include <QStringList>

// Every address of every interface that is up, as Qt lists them (interface by interface):
// IPv4 in dotted-decimal form, IPv6 in textual form with a "%scope" suffix where it has one.
// May hold duplicates.
QStringList getAllAddresses();

// The first entry of getAllAddresses() (IPv4 or IPv6, whichever comes first), or a null QString
// when the machine has no address. The overload answers for a given list.
QString getPrimaryAddress();
QString getPrimaryAddress(const QStringList &addresses);

// A new list with the entries of getAllAddresses() (or of the given list), in their order, for
// which isIPv4AddressString is true. The entries are checked from the last to the first, so
// the check's messages appear in reverse list order; each entry is checked once, duplicates
// included.
QStringList getAllIPv4Addresses();
QStringList getAllIPv4Addresses(const QStringList &addresses);

// Whether text is four dot-separated decimal numbers from 0 to 255, made of ASCII digits and
// dots only, at most 255 characters long. Empty pieces read as 0 and leading zeros are allowed,
// so "1..2.3" and "001.2.3.4" pass. A null text fails. Logs why a text fails, or that it is OK.
bool isIPv4AddressString(const QString &text);
