#include "occtmessages.h"

#include "tubepieces.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <Standard_Failure.hxx>
#include <Standard_OutOfMemory.hxx>
#include <TCollection_AsciiString.hxx>

#include <iostream>
#include <new>

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

std::string FailureText(const Standard_Failure& failure) {
    const char* said = failure.GetMessageString();
    std::string text = said ? said : "";
    text = text.substr(0, text.find('\n'));
    if (text.find_first_not_of(" \t") == std::string::npos) {
        text = failure.DynamicType()->Name();
    }
    return text;
}

int RunGuarded(const std::string& shown, const std::function<int()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return HelperOutOfMemory;
    } catch (const Standard_OutOfMemory&) {
        return HelperOutOfMemory;
    } catch (const Standard_Failure& failure) {
        std::cerr << shown << ": Open CASCADE failed: " << FailureText(failure) << '\n';
        return 2;
    }
}

} // namespace tubrix
