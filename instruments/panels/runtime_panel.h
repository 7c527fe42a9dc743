// TRuntimePanel: one loaded GUI file of the runtime panel window, its controls found by id.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "instruments/panels/edit_object.h"
#include "instruments/panels/gui_file.h"

namespace NuvixParser {

class TEvent;

// The panel installs its notify routine in every object: a change marks the object changed
// and signals the run's GUI event, on which waitguievent waits. Controls are looked up by
// id; of several objects with one id the last in the file is found.
//
// The GUI editor keeps its objects in one of these too, without an event (its test mode
// has no script to wake).
class TRuntimePanel {
public:
    // `guiEvent`, when given, is the run's and outlives the panel.
    TRuntimePanel(std::string fileName, TEvent* guiEvent);
    TRuntimePanel(const TRuntimePanel&) = delete;
    TRuntimePanel& operator=(const TRuntimePanel&) = delete;

    // Reads the file; unless the result is Ok the panel has no objects and is not to be
    // used. A file that cannot be read is an empty panel.
    TGuiLoadResult Load();

    const std::string& FileName() const { return fileName_; }
    // Where the editor saves from now on.
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
    const TEditObjectList& Objects() const { return objects_; }
    // For the editor, which adds and removes objects; Find knows only the objects of the
    // last Load or Reindex.
    TEditObjectList& Objects() { return objects_; }
    // Rebuilds the id index and gives every object the notify routine.
    void Reindex();
    // The object scripts know as `control` (a 32-bit pattern), or none.
    TEditObject* Find(std::int32_t control) const;

    bool SetProperty(std::int32_t control, int id, const TReturnValue& value);
    bool GetProperty(std::int32_t control, int id, TReturnValue& value) const;
    // Whether the control changed since this last said so.
    bool HasChanged(std::int32_t control);

private:
    std::string fileName_;
    TEvent* guiEvent_;
    TEditObjectList objects_;
    std::unordered_map<std::uint32_t, TEditObject*> byId_;
};

} // namespace NuvixParser
