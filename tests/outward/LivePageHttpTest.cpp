// The live page over HTTP, as a phone and as a rude client see it.
#include "HttpProbe.h"
#include "FakeTexts.h"
#include "LivePage.h"
#include "StateJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <gtest/gtest.h>
#include <limits>

namespace {

const QDateTime kStart = QDateTime::fromString("2026-12-10T20:00:00+01:00", Qt::ISODate);

CycleReport firingAt(double seconds, const QDateTime& start = kStart)
{
    CycleReport r;
    r.time = start.addSecs(qint64(seconds));
    r.data = true;
    r.state = 1;
    r.stateKey = "running";
    r.stateText = "Läuft – Zeile 2";
    r.line = 2;
    r.lineCount = 7;
    r.unit = "°C";
    r.kilnTemp = 20 + seconds / 10.0 + 0.004;
    r.channels = {{1, "Kiln", r.kilnTemp}, {2, "Broken", std::nullopt}};
    r.setPoint = 25 + seconds / 10.0;
    r.power = int(seconds) % 101;
    r.outsideTemp = std::numeric_limits<double>::quiet_NaN();  // a broken outside channel
    r.endTime = start.addSecs(12 * 3600);
    r.minutesLeft = 700.4;
    r.warnings = {{"LogNoKilnReading", "Keine gültige Messung"}};
    r.recordStart = start;
    r.recordSeconds = seconds;
    return r;
}

QJsonObject jsonOf(const HttpReply& r) { return QJsonDocument::fromJson(r.body).object(); }

std::vector<double> chartSeconds(const HttpReply& r)
{
    std::vector<double> out;
    for (const QJsonValue& p : jsonOf(r)["points"].toArray())
        out.push_back(p.toArray()[0].toDouble());
    return out;
}

class LivePageHttp : public ::testing::Test {
protected:
    FakeTexts texts;
    LivePage page{texts};

    quint16 serve(bool network = false, const QString& code = {}, int port = 0)
    {
        LivePageSettings s;
        s.enabled = true;
        s.port = port;
        s.network = network;
        s.code = code;
        page.serveNetworkOn(QHostAddress::LocalHost);
        const LivePage::Outcome o = page.apply(s, "Kiln 2");
        EXPECT_EQ(o.kind, LivePage::Outcome::Serving);
        return o.port;
    }
};

TEST_F(LivePageHttp, StateIsTheStateJsonOfTheNewestReport)
{
    const quint16 port = serve();
    EXPECT_EQ(get(port, "/api/state").status, 503) << "nothing to show before the first cycle";
    for (double seconds : {0.0, 2.0, 4.0}) {
        const CycleReport r = firingAt(seconds);
        page.cycleReported(r);
        const HttpReply reply = get(port, "/api/state");
        ASSERT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, StateJson::compact(StateJson::state(r, "Kiln 2")));
        EXPECT_EQ(reply.header("Content-Type"), "application/json");
        EXPECT_EQ(reply.header("Cache-Control"), "no-store");
        EXPECT_FALSE(reply.header("X-Fornaxel-Age-Ms").isEmpty());
    }
}

TEST_F(LivePageHttp, ChartGivesThePointsAfterSinceAndStartsAfreshWithANewRecording)
{
    const quint16 port = serve();
    for (int i = 0; i < 10; ++i)
        page.cycleReported(firingAt(2.0 * i));
    struct Case {
        QByteArray query;
        std::vector<double> seconds;
    };
    const std::vector<double> all{0, 2, 4, 6, 8, 10, 12, 14, 16, 18};
    for (const Case& c : std::vector<Case>{{"", all},
                                           {"?since=-1", all},
                                           {"?since=13", {14, 16, 18}},
                                           {"?since=14", {16, 18}},
                                           {"?since=14.0", {16, 18}},
                                           {"?since=1e1", {12, 14, 16, 18}},
                                           {"?since=18", {}},
                                           {"?since=99999", {}},
                                           {"?other=1&since=15", {16, 18}}}) {
        SCOPED_TRACE(c.query.toStdString());
        const HttpReply r = get(port, "/api/chart" + c.query);
        ASSERT_EQ(r.status, 200);
        EXPECT_EQ(chartSeconds(r), c.seconds);
        EXPECT_EQ(r.header("Cache-Control"), "no-store");
    }
    const QJsonArray first = jsonOf(get(port, "/api/chart?since=17"))["points"].toArray()[0].toArray();
    EXPECT_DOUBLE_EQ(first[1].toDouble(), 21.8);  // kiln, to two decimals
    EXPECT_DOUBLE_EQ(first[2].toDouble(), 26.8);  // set point
    EXPECT_EQ(first[3].toInt(), 18);              // power

    const QDateTime next = kStart.addDays(1);
    page.cycleReported(firingAt(0, next));
    page.cycleReported(firingAt(2, next));
    const HttpReply fresh = get(port, "/api/chart?since=-1");
    EXPECT_EQ(chartSeconds(fresh), (std::vector<double>{0, 2}));
    EXPECT_EQ(jsonOf(fresh)["record_start"].toString(), StateJson::time(next).toString());
}

TEST_F(LivePageHttp, BadRequestsGetAClearRefusalAndTheServerGoesOn)
{
    const quint16 port = serve();
    page.cycleReported(firingAt(0));
    struct Case {
        QByteArray request;
        int status;  // 0: any answer, or the connection dropped without one
    };
    const QByteArray longQuery = "GET /api/chart?since=" + QByteArray(200000, '9') + " HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const Case& c : std::vector<Case>{
             {"GET /api/chart?since=abc HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since= HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=1e999 HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=nan HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=inf HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=1,5 HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=12abc HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=%FF%FE%00 HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /api/chart?since=" + QByteArray(40, '1') + " HTTP/1.1\r\nHost: x\r\n\r\n", 400},
             {"GET /etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 404},
             {"GET /api/../../etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 404},
             {"GET /api/statex HTTP/1.1\r\nHost: x\r\n\r\n", 404},
             {"GET /livepage/app.js HTTP/1.1\r\nHost: x\r\n\r\n", 404},
             {"POST /api/state HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", 405},
             {"DELETE / HTTP/1.1\r\nHost: x\r\n\r\n", 405},
             {"GET /api/code HTTP/1.1\r\nHost: x\r\n\r\n", 405},
             {"\x01\x02garbage\xff\r\n\r\n", 0},
             {"GET\r\n\r\n", 0},
             {longQuery, 0},
             {"GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + QByteArray(100000, 'a') + "\r\n\r\n", 0},
         }) {
        SCOPED_TRACE(c.request.left(60).toStdString());
        const HttpReply r = sendRaw(port, c.request);
        if (c.status)
            EXPECT_EQ(r.status, c.status);
        else
            EXPECT_TRUE(r.status == 0 || r.status == 200 || (r.status >= 400 && r.status < 500)) << r.status;
    }
    const HttpReply page = get(port, "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_TRUE(page.body.contains("<canvas"));
    EXPECT_EQ(get(port, "/app.js").header("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(get(port, "/style.css").header("Content-Type"), "text/css; charset=utf-8");
    const HttpReply head = sendRaw(port, "HEAD /api/state HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.isEmpty());
    EXPECT_EQ(get(port, "/api/state").status, 200);
}

TEST_F(LivePageHttp, OnTheNetworkTheCodeIsAskedForAndAWrongOneSlowsTheNextTry)
{
    const quint16 port = serve(true, "kiln 42");
    page.cycleReported(firingAt(0));
    EXPECT_EQ(get(port, "/api/state").status, 401);
    EXPECT_EQ(get(port, "/api/chart?since=0").status, 401);
    EXPECT_EQ(get(port, "/api/state", "fornaxel_session=forged").status, 401);
    EXPECT_EQ(get(port, "/").status, 200) << "the page itself asks for the code";
    EXPECT_TRUE(jsonOf(get(port, "/api/labels"))["code"].toBool());

    const HttpReply wrong = post(port, "/api/code", "kiln 41");
    EXPECT_EQ(wrong.status, 403);
    EXPECT_EQ(jsonOf(wrong)["wait"].toInt(), 1);
    const HttpReply soon = post(port, "/api/code", "kiln 42");
    EXPECT_EQ(soon.status, 429) << "even the right code waits its turn";
    EXPECT_EQ(soon.header("Retry-After"), "1");
    EXPECT_TRUE(soon.header("Set-Cookie").isEmpty());

    HttpReply granted;
    for (int i = 0; i < 200 && granted.status != 200; ++i) {
        granted = post(port, "/api/code", "kiln 42");
        if (granted.status == 429)
            QThread::msleep(100);
        else
            break;
    }
    ASSERT_EQ(granted.status, 200);
    const QByteArray cookie = granted.header("Set-Cookie");
    EXPECT_TRUE(cookie.contains("HttpOnly"));
    const QByteArray session = cookie.split(';').front();
    EXPECT_GE(session.size(), QByteArray("fornaxel_session=").size() + 32);
    EXPECT_EQ(get(port, "/api/state", session).status, 200);
    EXPECT_EQ(get(port, "/api/state", "other=1; " + session + "; more=2").status, 200);
}

TEST_F(LivePageHttp, OnThisComputerOnlyNoCodeIsAsked)
{
    const quint16 port = serve(false, "unused");
    page.cycleReported(firingAt(0));
    EXPECT_EQ(get(port, "/api/state").status, 200);
    EXPECT_FALSE(jsonOf(get(port, "/api/labels"))["code"].toBool());
}

TEST_F(LivePageHttp, ATakenPortOrAnOpenNetworkWithoutCodeDoesNotServe)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    LivePageSettings s;
    s.enabled = true;
    s.port = holder.serverPort();
    LivePage::Outcome o = page.apply(s, "Kiln");
    EXPECT_EQ(o.kind, LivePage::Outcome::PortTaken);
    EXPECT_EQ(o.port, holder.serverPort());

    holder.close();
    o = page.apply(s, "Kiln");
    EXPECT_EQ(o.kind, LivePage::Outcome::Serving) << "the same port, once free";
    EXPECT_EQ(get(o.port, "/").status, 200);

    s.network = true;
    s.code.clear();
    o = page.apply(s, "Kiln");
    EXPECT_EQ(o.kind, LivePage::Outcome::NoCode);
    EXPECT_EQ(get(s.port, "/", {}).status, 0) << "nothing listens any more";
}

}  // namespace
