// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two web pages the about window opens, kept in one place.
//
// The donation address carries its parameters as the last segment of the page's path, joined by
// "&", with no "?" in front: business, item_name, item_number, no_note, tax, currency_code, in
// that order. It is still a valid URL (the characters "=", "&" and "@" may stand in a path), so
// it reaches the browser exactly as written; the payment page receives the parameters as part
// of the path, not as a query.

inline constexpr char kHomePageAddress[] = "https://trundle.example.org/?u=Trundle";

inline constexpr char kDonationPageAddress[] =
    "https://donate.example.org/cgi-bin/webscr/"
    "business=donations@trundle.example.org"
    "&item_name=Trundle&item_number=Trundle&no_note=1&tax=0&currency_code=EUR";
