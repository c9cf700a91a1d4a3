#include "database/address_conversion.h"

#include <gtest/gtest.h>

#include "database/record_line.h"

namespace duvra {
namespace {

const std::string kBase = "http://example.com";

TEST(AbsoluteUrl, EveryCase) {
  for (const char* url :
       {"/about.html", "about.html", "example.com/about.html", "docs/about.html"}) {
    EXPECT_EQ(AbsoluteUrl(url, kBase), kBase + "/about.html") << url;
  }
  EXPECT_EQ(AbsoluteUrl("/", kBase), kBase);
  EXPECT_EQ(AbsoluteUrl("", kBase), kBase);
  EXPECT_EQ(AbsoluteUrl("http://other.org/x", kBase), "http://other.org/x");
  EXPECT_EQ(AbsoluteUrl("see http://other.org", kBase), "see http://other.org");
  // Other schemes are left alone.
  EXPECT_EQ(AbsoluteUrl("https://example.com/a", kBase), "https://example.com/a");
  EXPECT_EQ(AbsoluteUrl("mailto:me@example.com", kBase), "mailto:me@example.com");
  for (const char* url : {"HTTPS://x.org/a", "ftp://x.org", "Mailto:me@x.org", "tel:+4930",
                          "javascript:void(0)", "data:text/plain,hi", "file:///c/x"}) {
    EXPECT_EQ(AbsoluteUrl(url, kBase), url);
  }
  // A host and port is no scheme: the site's own address with a port, and
  // another's, are rewritten from their first "/" as any address.
  EXPECT_EQ(AbsoluteUrl("localhost:8080/about.html", "http://localhost:8080"),
            "http://localhost:8080/about.html");
  EXPECT_EQ(AbsoluteUrl("example.com:81/x", kBase), kBase + "/x");
  EXPECT_EQ(AbsoluteUrl("localhost:8080", "http://localhost:8080"),
            "http://localhost:8080/localhost:8080");
  EXPECT_EQ(ConversionBase("localhost:8080"), "http://localhost:8080");
  // A base with a trailing slash is used as it stands.
  EXPECT_EQ(AbsoluteUrl("/about.html", kBase + "/"), kBase + "//about.html");
}

TEST(LocalUrl, EveryCase) {
  EXPECT_EQ(LocalUrl(kBase + "/about.html", kBase), "/about.html");
  EXPECT_EQ(LocalUrl(kBase, kBase), "/");
  EXPECT_EQ(LocalUrl("http://other.org/a", kBase), "http://other.org/a");
  EXPECT_EQ(LocalUrl("/already.html", kBase), "/already.html");
  EXPECT_EQ(LocalUrl("HTTP://EXAMPLE.COM/a", kBase), "HTTP://EXAMPLE.COM/a");
  EXPECT_EQ(LocalUrl(kBase + "/about.html", kBase + "/"), "about.html");
}

TEST(ConversionBase, AddsSchemeOnlyWhenMissing) {
  EXPECT_EQ(ConversionBase("example.com"), kBase);
  EXPECT_EQ(ConversionBase(kBase), kBase);
  EXPECT_EQ(ConversionBase(""), "http://");
  // An address with any scheme is used as typed; one that only mentions
  // "http://" later on gets it in front.
  EXPECT_EQ(ConversionBase("https://example.com"), "https://example.com");
  EXPECT_EQ(ConversionBase("HTTP://example.com"), "HTTP://example.com");
  EXPECT_EQ(ConversionBase("example.com/?from=http://x"), "http://example.com/?from=http://x");
  EXPECT_EQ(ConversionBase("://example.com"), "http://://example.com");
}

Database TwoRecords() {
  Database db;
  db.open = true;
  db.settings.site_address = "example.com";
  db.records.Assign({"5^A^/a.html^text^kw^1", "6^B^b.html^t^k^0", "7^C^/c.html^t^k^0"});
  return db;
}

TEST(Conversions, HttpsSiteAddressIsTheBase) {
  Database db = TwoRecords();
  db.settings.site_address = "https://example.com";
  db.records.SelectAll();
  TBXAbsoluteClick(db);
  EXPECT_EQ(db.records.line(1), "1^B^https://example.com/b.html^t^k^0");
  TBXLocalClick(db);
  EXPECT_EQ(db.records.line(0), "0^A^/a.html^text^kw^1");
  EXPECT_EQ(db.records.line(1), "1^B^/b.html^t^k^0");
}

TEST(Conversions, RewriteSelectedRowsOnly) {
  Database db = TwoRecords();
  db.records.SetSelected(0, true);
  db.records.SetSelected(1, true);
  TBXAbsoluteClick(db);
  EXPECT_EQ(db.records.line(0), "0^A^http://example.com/a.html^text^kw^1");
  EXPECT_EQ(db.records.line(1), "1^B^http://example.com/b.html^t^k^0");
  EXPECT_EQ(db.records.line(2), "7^C^/c.html^t^k^0");
  EXPECT_EQ(db.records.SelectedRows(), (std::vector<size_t>{0, 1}));
  EXPECT_TRUE(db.dirty);

  db.dirty = false;
  TBXLocalClick(db);
  EXPECT_EQ(db.records.line(0), "0^A^/a.html^text^kw^1");
  EXPECT_EQ(db.records.line(1), "1^B^/b.html^t^k^0");
  EXPECT_TRUE(db.dirty);
}

TEST(Conversions, NothingSelectedChangesNothing) {
  Database db = TwoRecords();
  TBXAbsoluteClick(db);
  TBXLocalClick(db);
  EXPECT_FALSE(db.dirty);
  EXPECT_EQ(db.records.line(0), "5^A^/a.html^text^kw^1");
}

TEST(Conversions, UnchangedUrlStillRenumbersAndDirties) {
  Database db = TwoRecords();
  db.records.SetSelected(2, true);
  TBXLocalClick(db);
  EXPECT_EQ(db.records.line(2), "2^C^/c.html^t^k^0");
  EXPECT_TRUE(db.dirty);
}

TEST(Conversions, LineWithoutSeparatorKeepsItsTextAsTitle) {
  Database db = TwoRecords();
  db.records.Assign({"plain text", "", "4^only title"});
  db.records.SelectAll();
  TBXAbsoluteClick(db);
  EXPECT_EQ(db.records.lines(),
            (std::vector<std::string>{"0^plain text^http://example.com", "1^^http://example.com",
                                      "2^only title^http://example.com"}));
  TBXLocalClick(db);
  EXPECT_EQ(db.records.line(0), "0^plain text^/");
}

TEST(AddressEdit, StoresTextSafelyAndEnablesIndex) {
  Database db = TwoRecords();
  ViewState vs;
  TBXAddressEditChange(db, &vs, "");
  EXPECT_TRUE(vs.IsEnabled(Command::kIndex));
  EXPECT_TRUE(db.dirty);
  TBXAddressEditChange(db, &vs, "a^b\nc");
  EXPECT_EQ(db.settings.site_address, "a b c");
}

}  // namespace
}  // namespace duvra
