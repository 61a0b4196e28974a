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
        // The STEP parser frames its messages in asterisks, "**** ERR StepFile : ... ****".
        const std::string said = text.ToCString();
        const std::size_t start = said.find_first_not_of("* \n");
        const std::size_t end = said.find_last_not_of("* \n");
        *first_ = start == std::string::npos ? std::string() : said.substr(start, end - start + 1);
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
