#pragma once

#include <QLineEdit>

#include "subscriptions/subscribe_procedure.h"

namespace vellorin {

// Sends the focus back to the field a refused subscribe or save names, the link selected whole
// when the procedure asks for it.
inline void FocusRefusedField(const ProcedureResult& result, QLineEdit* txtTitle,
                              QLineEdit* txtLink) {
    if (result.focus == InputField::Title) {
        txtTitle->setFocus(Qt::OtherFocusReason);
    } else if (result.focus == InputField::Link) {
        if (result.selectLink)
            txtLink->selectAll();
        txtLink->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace vellorin
