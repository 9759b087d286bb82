// cabbatch-check: shows, before a card goes into a device, what the device program will do
// with it. A second front end over the device program's core; it only reads. This file turns
// the command line into a report and the report into an exit status.
#include "check_card.h"
#include "json_report.h"
#include "plain_report.h"

namespace {

int Fail(const std::string &sentence)
{
    std::string ignored;  // stderr is the last place left to tell it
    desktop::Write(true, "cabbatch-check: " + sentence + "\n", &ignored);
    return 2;
}

int Check(int argc, char **argv)
{
    check::Output out;
    try {
        std::string answer;
        std::optional<check::Options> options = check::ParseOptions(desktop::Arguments(argc, argv), &answer);
        if (!options) {
            out.Add(answer);
            out.Flush();
            return out.Failed() ? Fail("cannot write the answer: " + out.Why() + ".") : 0;
        }
        std::unique_ptr<check::ReportWriter> writer = options->json ? check::JsonWriter(out) : check::PlainWriter(out);
        check::Outcome outcome = check::CheckCard(*options, *writer);
        if (out.Failed())
            return Fail("cannot write the report: " + out.Why() + ".");
        if (!outcome.failure.empty())
            return Fail(outcome.failure + ".");
        return outcome.totals.ready ? 0 : 1;
    } catch (const check::UsageError &error) {
        return Fail(error.message + ". Try 'cabbatch-check --help'.");
    } catch (const check::CheckError &error) {
        return Fail(std::string(error.what()) + ".");
    } catch (const std::exception &error) {
        return Fail("the check failed: " + std::string(error.what()) + ".");
    }
}

}  // namespace

int main(int argc, char **argv)
{
    int status = Check(argc, argv);
    desktop::HoldOwnConsole();
    return status;
}
