#include <gtest/gtest.h>

#include "install/record/record_digest.h"
#include "install/record/record_proof.h"
#include "install/recovery/log_text.h"

TEST(RecordDigest, KnownSha256ValuesAcrossBlockBoundaries) {
    struct Case { std::string text; const wchar_t* digest; };
    const Case cases[] = {
        {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(64, 'a'), L"ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    };
    for (const Case& c : cases) EXPECT_EQ(record::DigestOf(c.text), c.digest) << c.text.size();
    EXPECT_TRUE(record::IsDigestText("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_FALSE(record::IsDigestText("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
    EXPECT_FALSE(record::IsDigestText("ba7816bf"));
}

TEST(RecordProof, OnlyTheKeptDigestProvesARecordAndNoProofOnlyInProgramFiles) {
    const std::wstring digest = record::DigestOf("record");
    struct Case { const char* what; std::wstring proof; bool inProgramFiles; bool proven; };
    const Case cases[] = {
        {"kept digest", digest, false, true},
        {"kept digest in Program Files", digest, true, true},
        {"another record's digest", record::DigestOf("other"), true, false},
        {"a value that is no digest", L"-", true, false},
        {"earlier version, outside Program Files", L"", false, false},
        {"earlier version, in Program Files", L"", true, true},
    };
    for (const Case& c : cases) EXPECT_EQ(record::IsProven(digest, c.proof, c.inProgramFiles), c.proven) << c.what;
}

TEST(RecordProof, TheCommitLineCarriesTheDigestAndOlderLogsStillCommit) {
    const std::string head = "Lumiscope transaction 1\r\nprogram\tC:\\\\L\\\\\tprocess\t1\r\n";
    const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    txn::ParsedLog log = txn::ParseLog(head + "commit\t" + digest + "\r\n");
    EXPECT_TRUE(log.committed);
    EXPECT_EQ(log.recordDigest, std::wstring(digest.begin(), digest.end()));
    log = txn::ParseLog(head + "commit\r\n");
    EXPECT_TRUE(log.committed);
    EXPECT_TRUE(log.recordDigest.empty());
    EXPECT_TRUE(txn::ParseLog(head + "commit\tnot a digest\r\n").recordDigest.empty());
}
