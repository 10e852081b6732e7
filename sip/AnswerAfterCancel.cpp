#include "sip/AnswerAfterCancel.h"

#include <belle-sip/belle-sip.h>

#include <cstring>
#include <dlfcn.h>
#include <set>

namespace ralu::answer_after_cancel {

namespace {

std::set<std::string> &cancelled()
{
    static std::set<std::string> calls; // core thread only
    return calls;
}

} // namespace

void expect(const std::string &callId)
{
    if (!callId.empty())
        cancelled().insert(callId);
}

void forget(const std::string &callId)
{
    cancelled().erase(callId);
}

} // namespace ralu::answer_after_cancel

// The interposed belle-sip function (see the header).
extern "C" belle_sip_request_t *belle_sip_dialog_create_request(
    belle_sip_dialog_t *dialog, const char *method)
{
    using Create = belle_sip_request_t *(*)(belle_sip_dialog_t *, const char *);
    static const auto belleSip
        = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "belle_sip_dialog_create_request"));
    if (!belleSip)
        return nullptr;
    if (dialog && method && std::strcmp(method, "BYE") == 0 && !belle_sip_dialog_is_server(dialog)
        && belle_sip_dialog_get_state(dialog) == BELLE_SIP_DIALOG_CONFIRMED) {
        const belle_sip_header_call_id_t *header = belle_sip_dialog_get_call_id(dialog);
        const char *callId = header ? belle_sip_header_call_id_get_call_id(header) : nullptr;
        auto &calls = ralu::answer_after_cancel::cancelled();
        if (callId && calls.erase(callId)) {
            // The INVITE's CSeq is still the dialog's local one: the
            // CANCEL shares it and nothing else was sent in between.
            if (belle_sip_request_t *ack
                = belle_sip_dialog_create_ack(dialog, belle_sip_dialog_get_local_seq_number(dialog)))
                belle_sip_dialog_send_ack(dialog, ack);
        }
    }
    return belleSip(dialog, method);
}
