#pragma once

#include <QPixmap>
#include <QString>

namespace ambitra::ui {

// The maker's web site, opened by a click on the logo.
QString makerWebAddress();
// The maker's legal notice line of the about box.
QString makerNoticeLine();

// The maker's logo, 200 by 24 pixels with a transparent background, drawn in code
// so that it scales and needs no image file.
QPixmap makerLogo();
// The handheld badge of the about box, 85 by 35 pixels.
QPixmap handheldBadge();

// Opens the maker's web site in the user's browser; a failure is ignored.
void openMakerWebSite();

}  // namespace ambitra::ui
