#pragma once

#include <QString>
#include <QtGlobal>

namespace korvel {

// What a running transfer tells the window (or the command-line tool) that shows
// it. Every call happens on the engine's thread, in the order the engine runs; the
// window only displays, it never steers the run except through CancelRequested.
class TransferObserver {
public:
    enum class Icon { None, Critical };
    virtual ~TransferObserver() = default;
    // The lblWhat text ("Writing Address", "Reading Address  (3)", "No Errors", "").
    virtual void setWhat(const QString& text) = 0;
    // The lblWhere text: the address bit text, or "".
    virtual void setWhere(const QString& text) = 0;
    // Addresses (or bytes) handled so far out of the run's total.
    virtual void progress(qint64 done, qint64 total) = 0;
    // A message box with an OK button; returns once the user has acknowledged it.
    virtual void message(const QString& text, Icon icon) = 0;
    // The run is over: cmdCancel now reads "Close".
    virtual void showClose() = 0;
};

} // namespace korvel
