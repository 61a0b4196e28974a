#include "occtmessages.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <TCollection_AsciiString.hxx>

namespace tubrix {

namespace {

class FailureCollector : public Message_Printer {
public:
    explicit FailureCollector(std::shared_ptr<std::string> first) : first_(std::move(first)) {}

protected:
    void send(const TCollection_AsciiString& text, const Message_Gravity gravity) const override {
        if (gravity < Message_Fail || !first_->empty()) {
            return;
        }
        *first_ = text.ToCString();
        while (!first_->empty() && (first_->back() == '\n' || first_->back() == ' ')) {
            first_->pop_back();
        }
    }

private:
    std::shared_ptr<std::string> first_;
};

} // namespace

OcctFailureLog::OcctFailureLog() : first_(std::make_shared<std::string>()) {
    const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
    messenger->ChangePrinters().Clear();
    messenger->AddPrinter(new FailureCollector(first_));
}

} // namespace tubrix
