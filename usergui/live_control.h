// TLiveControl: the Qt widget that realises one control object in a runtime panel or in
// the GUI editor's test mode.
#pragma once

#include <QWidget>

#include "instruments/panels/edit_object.h"

namespace NuvixUserGui {

// A live control shows its object's fields (Apply) and writes the user's changes back into
// the object, then runs the object's change hook. It fills its object's rectangle; the
// parent widget owns it, and it must not outlive its object.
class TLiveControl : public QWidget {
    Q_OBJECT
public:
    NuvixParser::TEditObject& Object() const { return object_; }
    // Copies the object's fields into the widget. A field the screen cannot show (an
    // alignment outside 0..2) leaves the widget as it was.
    virtual void Apply() = 0;
    // Puts the widget on the object's rectangle (grid cells of 7 pixels); a rectangle with
    // an edge past its opposite one is taken as the rectangle between the two.
    void PlaceOnGrid();

protected:
    TLiveControl(NuvixParser::TEditObject& object, QWidget* parent);

private:
    NuvixParser::TEditObject& object_;
};

// Creates the live control of `object` inside `parent`, applies the object's fields, shows
// it and clears the object's changed flag. What realising changes in the object (a scroll
// bar's value moved into its range, a button no longer pressed) is no user change: the hook
// does not run.
TLiveControl* Realise(NuvixParser::TEditObject& object, QWidget* parent);

// The pixel rectangle of grid cells, normalised.
QRect PixelRect(const NuvixParser::TGridRect& cells);

} // namespace NuvixUserGui
