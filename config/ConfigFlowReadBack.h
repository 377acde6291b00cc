#pragma once
// Reading the configuration windows back into a controller record when the
// user presses OK.
//
// The read-back is all or nothing: it works on a copy and writes the record
// only when every edit converted. A text that is not a number ends it with an
// error naming the field and the text; the record is then unchanged and the
// caller sends nothing.
//
// The windows are reused from one controller to the next, so a control that
// the fill hid or did not set still holds what an earlier controller left in
// it. The fill says which controls it set (FillPlan); for the others the
// record keeps its own value, so a controller is never sent another's values.

#include <QString>
#include <cstdint>
#include <optional>

#include "model/NodaluxCtrl.h"

namespace vantrel::config {

class TNodaluxConfig;

struct FillPlan {
    // The legacy family (protocol 4 and earlier): its read-back differences apply.
    bool legacy = false;
    // The DMX switches and universe edits hold this controller's values.
    bool dmx = true;
    // The fan row is shown and txtFan holds this controller's value.
    bool fan = true;
    // The white gamma edit holds this controller's value (protocol 6 and later).
    bool whiteGamma = true;
    // The LED-type radios were set from the record. When they were not (a
    // LedType other than 0 or 1), the record keeps its value unless the
    // user changed the radios: radioRGB's state when the fill ended.
    bool ledType = true;
    bool rgbCheckedAfterFill = true;
    // Legacy features by firmware and model.
    bool protocol = true;         // protocol radios (from 1.4.0)
    bool holdFrame = true;        // hold last frame (from 1.4.4)
    bool speed = true;            // speed radios (from 1.3.0)
    bool perOutputOrder = true;   // checkAdvRGB offered (from 1.3.1)
    bool orderAsIndex = true;     // colour order as an index (from 1.3.1), else the position form
    bool orderSelectable = true;  // the position form can be chosen (from 1.2.4), else it is fixed
    bool outputMode = true;       // normal/condensed radios (the one model that offers them)
    bool grouping = true;         // per-output grouping and intensity (from 1.4.4)
    // The record was in simple mode when the window was filled (current
    // family). Only a switch to advanced clears the simple-mode bits of
    // SimpleConfig; a controller already in advanced mode keeps its byte.
    bool simpleAtFill = true;
};

struct ReadBackError {
    QString field; // what the user calls the field: "Start Universe", "Output 3 Num Pixels"
    QString text;  // the text that did not convert
};

// The message shown for a failed read-back.
QString readBackErrorText(const ReadBackError& error);

// Strict decimal conversion of an edit's text: optional blanks around an
// optional sign and decimal digits, within 32 bits. Anything else is nothing.
std::optional<std::int32_t> strictInt(const QString& text);

// Every control of the configuration window and its advanced windows into
// `record`, by the rules of the controller's family. On an error `record` is
// unchanged.
std::optional<ReadBackError> readBackConfig(const TNodaluxConfig& window, const FillPlan& plan,
                                            model::TNodaluxCtrl& record);

// The Network tab alone (the readdress path): StaticIP, SM and DHCP. On an
// error `record` is unchanged.
std::optional<ReadBackError> readBackNetwork(const TNodaluxConfig& window, model::TNodaluxCtrl& record);

} // namespace vantrel::config
