#include "core/sync/sync_outcome.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

using service::SyncStatus;

TEST(SyncOutcome, FailuresEndInTheStatusesTheWindowShows) {
    EXPECT_EQ(PageFetchStatus(TimePageOutcome::OpenFailed), SyncStatus::ConnectFailed);
    EXPECT_EQ(PageFetchStatus(TimePageOutcome::ConnectFailed), SyncStatus::ConnectFailed);
    EXPECT_EQ(PageFetchStatus(TimePageOutcome::ReadFailed), SyncStatus::ReadFailed);
    EXPECT_EQ(MeasurementStatus(TimeMeasurement::Outcome::Unreachable), SyncStatus::ConnectFailed);
    EXPECT_EQ(MeasurementStatus(TimeMeasurement::Outcome::Refused), SyncStatus::NotRecognised);
}

TEST(SyncOutcome, ARequestNamesOnlyTheChosenSourceAndReadsBackToIt) {
    TimeSourceChoice choice;
    choice.server = "ntp.example.org:1123";
    choice.webUrl = "https://www.example.com/";
    for (const TimeSource source :
         {TimeSource::Page, TimeSource::TimeServer, TimeSource::WebServer}) {
        choice.source = source;
        const service::SyncRequest request = SyncRequestFor(choice);
        EXPECT_EQ(request.text, source == TimeSource::Page         ? ""
                                : source == TimeSource::TimeServer ? choice.server
                                                                   : choice.webUrl);
        EXPECT_FALSE(request.allowLargeCorrection);
        // The other source's text is not carried: it comes back as the default.
        const TimeSourceChoice back = SourceOf(request);
        EXPECT_EQ(back.source, source);
        EXPECT_EQ(back.server,
                  source == TimeSource::TimeServer ? choice.server : kDefaultTimeServerText);
        EXPECT_EQ(back.webUrl,
                  source == TimeSource::WebServer ? choice.webUrl : kDefaultTimeWebUrl);
    }
}

TEST(SyncOutcome, AnAnswerCarriesTheMeasurementOnlyWhenOneWasMade) {
    TimeMeasurement ok;
    ok.outcome = TimeMeasurement::Outcome::Ok;
    ok.offset = -1'234'567;
    ok.bound = 4'321;
    ok.roundTrip = 20'000;
    ok.requests = 7;
    const service::SyncAnswer measured = AnswerFrom(ok);
    EXPECT_TRUE(measured.measured);
    const auto back = MeasurementOf(measured);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->offset, ok.offset);
    EXPECT_EQ(back->bound, ok.bound);
    EXPECT_EQ(back->roundTrip, ok.roundTrip);
    EXPECT_EQ(back->requests, ok.requests);

    TimeMeasurement refused;
    refused.outcome = TimeMeasurement::Outcome::Refused;
    refused.failure = "The server sends no Date header";
    const service::SyncAnswer failed = AnswerFrom(refused);
    EXPECT_EQ(failed.status, SyncStatus::NotRecognised);
    EXPECT_EQ(failed.failure, refused.failure);
    EXPECT_FALSE(MeasurementOf(failed));
    EXPECT_FALSE(MeasurementOf(EndedAnswer(SyncStatus::ReadFailed)));
}

}  // namespace
}  // namespace horolux
