// What assistive technology (a screen reader, through AT-SPI) is told each
// of the layer's widgets is: the dialog frame a dialog, named by its title;
// a static control static text, named by what it shows. Qt would make any
// other widget a mere client area, which screen readers pass over.
#pragma once

namespace platform::qt {

// Has Qt ask here for the accessible form of the layer's widgets; once is
// enough, again is harmless.
void GiveAccessibleRoles();

}  // namespace platform::qt
