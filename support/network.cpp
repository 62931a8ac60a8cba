// SPDX-License-Identifier: GPL-3.0-or-later
#include "network.h"

#include "collections.h"
#include "log.h"
#include "plistvalue.h"

#include <QHostAddress>
#include <QNetworkInterface>

QStringList getAllAddresses()
{
    QStringList addresses;
    const QList<QHostAddress> hostAddresses = QNetworkInterface::allAddresses();
    addresses.reserve(hostAddresses.size());
    for (const QHostAddress &address : hostAddresses)
        addresses.append(address.toString());
    return addresses;
}

QString getPrimaryAddress()
{
    return getPrimaryAddress(getAllAddresses());
}

QString getPrimaryAddress(const QStringList &addresses)
{
    if (addresses.isEmpty()) {
        QZLog("This machine has no network address.");
        return {};
    }
    return addresses.first();
}

QStringList getAllIPv4Addresses()
{
    return getAllIPv4Addresses(getAllAddresses());
}

QStringList getAllIPv4Addresses(const QStringList &addresses)
{
    QStringList ipv4 = addresses;
    // Walking backwards keeps the indices of the entries still to be checked valid while
    // entries are removed. Only the failing entry itself goes: removing all its equals at once
    // would shift entries still to be checked past the end of the list.
    for (qsizetype i = ipv4.size() - 1; i >= 0; --i) {
        if (!isIPv4AddressString(ipv4[i]))
            ipv4.removeAt(i);
    }
    return ipv4;
}

// How a text appears in the messages: a null text as "(null)".
static PlistValue loggedText(const QString &text)
{
    return text.isNull() ? PlistValue() : PlistValue(text);
}

bool isIPv4AddressString(const QString &text)
{
    // 255 characters and the NUL: longer texts cannot be addresses and are refused up front.
    char ascii[256];
    if (text.isNull() || !getCString(text, ascii, int(sizeof ascii))) {
        QZLog("Addressstring: %@ is no valid IPv4 address, illegal characters.", loggedText(text));
        return false;
    }

    bool failed = false;
    for (const char *c = ascii; *c; ++c) {
        if (!((*c >= '0' && *c <= '9') || *c == '.')) {
            QZLog("Addressstring: %@ is no valid IPv4 address, invalid characters.", text);
            failed = true;
            break;
        }
    }

    const QStringList pieces = text.split(u'.');
    if (pieces.size() != 4) {
        QZLog("Addressstring: %@ is no valid IPv4 address, wrong count of dots.", text);
        return false;
    }
    if (failed)
        return false;

    for (const QString &piece : pieces) {
        // Only digits are left, so this reads the piece's number, saturated, 0 when empty.
        const int value = intValueOfText(piece);
        if (value < 0 || value >= 256) {
            QZLog("Addressstring: %@ is no valid IPv4 address, invalid numeric component.", text);
            return false;
        }
    }

    QZLog("Addressstring %@ is OK!", text);
    return true;
}
