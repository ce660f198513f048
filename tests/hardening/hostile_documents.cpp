// Documents built to hurt a parser: each must give 0 or -1 as documented,
// quickly and without a crash, and never let data from outside the document
// into the message.
#include "support/message_copy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <algorithm>
#include <string>
#include <vector>

namespace hardening {
using namespace msgcopy;
namespace {

struct Parsed {
    int32_t result;
    MessageCopy state;
    std::string diagnostic;
};

Parsed parse(const std::string &document) {
    movri_msg *msg = nullptr;
    EXPECT_EQ(movri_msg_init(&msg), 0);
    testing::internal::CaptureStderr();
    const int32_t result = movri_msg_parse(msg, document.c_str());
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    Parsed parsed{result, copy_of(msg), diagnostic};
    movri_msg_free(msg);
    return parsed;
}

void expect_refused(const Parsed &parsed, const std::string &reason) {
    EXPECT_EQ(parsed.result, -1);
    EXPECT_EQ(parsed.diagnostic.rfind(reason + " at line ", 0), 0u) << parsed.diagnostic;
    EXPECT_EQ(parsed.diagnostic.back(), '\n');
}

std::string billion_laughs(int levels) {
    std::string doc = "<?xml version='1.0'?><!DOCTYPE movrimsg [<!ENTITY l0 'ha'>";
    for (int i = 1; i <= levels; ++i) {
        doc += "<!ENTITY l" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k)
            doc += "&l" + std::to_string(i - 1) + ";";
        doc += "'>";
    }
    return doc + "]><movrimsg><id>&l" + std::to_string(levels) + ";</id></movrimsg>";
}

// Entities e0 .. e(depth-1) each referring to the next, the last holding "x",
// declared in the given order; referred to in content or in an attribute
// default.
std::string entity_chain(int depth, bool declared_backwards, bool in_attribute) {
    std::vector<std::string> entities;
    for (int i = 0; i < depth; ++i)
        entities.push_back("<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i + 1) +
                           ";'>");
    if (declared_backwards) std::reverse(entities.begin(), entities.end());
    std::string doc = "<!DOCTYPE movrimsg [<!ENTITY e" + std::to_string(depth) + " 'x'>";
    for (const std::string &entity : entities)
        doc += entity;
    if (in_attribute) doc += "<!ATTLIST ele name CDATA '&e0;'>";
    return doc + "]><movrimsg><id>" + (in_attribute ? "" : "&e0;") + "</id><ele/></movrimsg>";
}

TEST(HostileDocuments, BillionLaughsIsStoppedByTheAmplificationLimit) {
    const Parsed parsed = parse(billion_laughs(10));
    EXPECT_EQ(parsed.result, -1);
    EXPECT_NE(parsed.diagnostic.find("amplification"), std::string::npos) << parsed.diagnostic;
}

TEST(HostileDocuments, ModestEntityExpansionStillParses) {
    const Parsed parsed = parse(billion_laughs(3));
    ASSERT_EQ(parsed.result, 0) << parsed.diagnostic;
    ASSERT_EQ(parsed.state.elements.size(), 1u);
    std::string expected;
    for (int i = 0; i < 1000; ++i)
        expected += "ha";
    EXPECT_EQ(parsed.state.elements[0].value, expected);
}

TEST(HostileDocuments, RecursiveEntityReferencesAreRefused) {
    expect_refused(parse("<!DOCTYPE movrimsg [<!ENTITY a '&b;'><!ENTITY b '&a;'>]>"
                         "<movrimsg><id>&a;</id></movrimsg>"),
                   "recursive entity reference");
}

TEST(HostileDocuments, EntityChainsTooLongForTheStackAreRefusedInAnyOrderAndPlace) {
    for (const bool backwards : {false, true}) {
        for (const bool in_attribute : {false, true}) {
            SCOPED_TRACE(std::string(backwards ? "declared backwards" : "declared forwards") +
                         (in_attribute ? ", in an attribute" : ", in content"));
            const Parsed allowed = parse(entity_chain(64, backwards, in_attribute));
            ASSERT_EQ(allowed.result, 0) << allowed.diagnostic;
            if (in_attribute)
                EXPECT_EQ(allowed.state.elements.at(1).name, "x");
            else
                EXPECT_EQ(allowed.state.elements.at(0).value, "x");
            for (const int depth : {65, 100000})
                expect_refused(parse(entity_chain(depth, backwards, in_attribute)),
                               "too many entities referring to other entities");
        }
    }
}

TEST(HostileDocuments, OnlyEntitiesReferringToOthersCountTowardsTheLimit) {
    std::string plain = "<!DOCTYPE movrimsg [<!ENTITY empty ''>";
    for (int i = 0; i < 1000; ++i)
        plain += "<!ENTITY p" + std::to_string(i) + " 'text &#38;#38; more'>";
    const Parsed many_plain = parse(plain + "]><movrimsg><id>&empty;&p999;</id></movrimsg>");
    ASSERT_EQ(many_plain.result, 0) << many_plain.diagnostic;
    EXPECT_EQ(many_plain.state.elements.at(0).value, "text & more");

    std::string parameters = "<!DOCTYPE movrimsg [<!ENTITY % q0 ''>";
    for (int i = 1; i <= 65; ++i)
        parameters +=
            "<!ENTITY % q" + std::to_string(i) + " '&#37;q" + std::to_string(i - 1) + ";'>";
    expect_refused(parse(parameters + "]><movrimsg/>"),
                   "too many entities referring to other entities");
}

TEST(HostileDocuments, ExternalEntityContentNeverReachesTheMessage) {
    const std::string path = testing::TempDir() + "movrimsg_external_entity.txt";
    std::ofstream(path) << "SECRET-FILE-CONTENT";
    for (const std::string use : {"<id>&ext;</id>", "<ele name='n'>a&ext;b</ele>"}) {
        const Parsed parsed = parse("<!DOCTYPE movrimsg [<!ENTITY ext SYSTEM 'file://" + path +
                                    "'>]><movrimsg>" + use + "</movrimsg>");
        EXPECT_EQ(parsed.result, 0) << parsed.diagnostic;
        ASSERT_EQ(parsed.state.elements.size(), 1u);
        const Text &value = parsed.state.elements[0].value;
        EXPECT_TRUE(!value || value->find("SECRET") == std::string::npos) << *value;
    }
    const Parsed in_attribute = parse("<!DOCTYPE movrimsg [<!ENTITY ext SYSTEM '" + path +
                                      "'>]><movrimsg><ele name='&ext;'/></movrimsg>");
    EXPECT_EQ(in_attribute.result, -1);
    EXPECT_TRUE(in_attribute.state.elements.empty());
    std::remove(path.c_str());
}

TEST(HostileDocuments, VeryDeepNestingParses) {
    constexpr int kDepth = 200000;
    std::string doc = "<movrimsg><ele name='deep'>";
    for (int i = 0; i < kDepth; ++i)
        doc += "<a>";
    doc += "v";
    for (int i = 0; i < kDepth; ++i)
        doc += "</a>";
    const Parsed parsed = parse(doc + "</ele></movrimsg>");
    ASSERT_EQ(parsed.result, 0) << parsed.diagnostic;
    ASSERT_EQ(parsed.state.elements.size(), 1u);
    EXPECT_EQ(parsed.state.elements[0].value, "v");
}

TEST(HostileDocuments, UnclosedDeepNestingIsRefused) {
    std::string doc = "<movrimsg>";
    for (int i = 0; i < 200000; ++i)
        doc += "<ele name='n'>";
    const Parsed parsed = parse(doc);
    expect_refused(parsed, "no element found");
    EXPECT_EQ(parsed.state.elements.size(), 200000u);
}

TEST(HostileDocuments, HugeAttributeBecomesTheName) {
    const std::string name(8 * 1024 * 1024, 'n');
    const Parsed parsed = parse("<movrimsg><ele name='" + name + "'>v</ele></movrimsg>");
    ASSERT_EQ(parsed.result, 0) << parsed.diagnostic;
    ASSERT_EQ(parsed.state.elements.size(), 1u);
    EXPECT_EQ(parsed.state.elements[0].name, name);
}

TEST(HostileDocuments, UnknownOrUnusableEncodingsAreRefused) {
    for (const char *encoding : {"x-unknown-charset", "EBCDIC", "UTF-16", "ISO-2022-JP"}) {
        SCOPED_TRACE(encoding);
        const Parsed parsed = parse(std::string("<?xml version='1.0' encoding='") + encoding +
                                    "'?><movrimsg><id>1</id></movrimsg>");
        EXPECT_EQ(parsed.result, -1);
        EXPECT_TRUE(parsed.state.elements.empty());
        EXPECT_NE(parsed.diagnostic.find(" at line 1\n"), std::string::npos) << parsed.diagnostic;
    }
}

TEST(HostileDocuments, ByteOrderMarkIsAcceptedAndIgnored) {
    const std::string body =
        "<?xml version='1.0' encoding='UTF-8'?><movrimsg><id>\xc3\xa9</id></movrimsg>";
    const Parsed plain = parse(body);
    const Parsed marked = parse("\xEF\xBB\xBF" + body);
    ASSERT_EQ(marked.result, 0) << marked.diagnostic;
    EXPECT_EQ(marked.state, plain.state);
    EXPECT_EQ(marked.state.elements.at(0).value, "\xe9");
    EXPECT_EQ(parse("\xFF\xFE<").result, -1);
    EXPECT_EQ(parse("\xEF\xBB\xBF").result, -1);
}

TEST(HostileDocuments, EveryTruncationIsRefusedAndKeepsOnlyWhatCameBefore) {
    const std::string doc =
        "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg><id>1</id><sn>2</sn>"
        "<ele name='a&amp;b'>x&lt;y\xe9</ele><ele name='c'>z</ele></movrimsg>";
    const Parsed whole = parse(doc);
    ASSERT_EQ(whole.result, 0);
    for (size_t cut = 0; cut < doc.size(); ++cut) {
        const Parsed parsed = parse(doc.substr(0, cut));
        EXPECT_EQ(parsed.result, -1) << "cut at " << cut;
        EXPECT_NE(parsed.diagnostic.find(" at line 1\n"), std::string::npos) << "cut at " << cut;
        ASSERT_LE(parsed.state.elements.size(), whole.state.elements.size()) << "cut at " << cut;
        for (size_t i = 0; i < parsed.state.elements.size(); ++i) {
            const ElementCopy &got = parsed.state.elements[i];
            const ElementCopy &full = whole.state.elements[i];
            EXPECT_EQ(got.tag, full.tag) << "cut at " << cut;
            EXPECT_TRUE(!got.value || full.value->starts_with(*got.value)) << "cut at " << cut;
        }
    }
}

}  // namespace
}  // namespace hardening
