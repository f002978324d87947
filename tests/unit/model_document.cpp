#include <gtest/gtest.h>

#include <filesystem>

#include "../support/temp_folder.h"
#include "../support/test_bmp.h"
#include "common/error.h"
#include "common/int_text.h"
#include "common/program_folder.h"
#include "model/action_ctrl.h"
#include "model/base64.h"
#include "model/xml_document.h"
#include "model/xml_values.h"
#include "picture/bitmap_data.h"

namespace zorvel {
namespace {

using test::TempFolder;

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

// A 1 x 1 picture of 24 bits per pixel as a complete BMP file (58 bytes), red 0x12, green
// 0x34, blue 0x56.
std::vector<uint8_t> OnePixelBmp() {
  return test::SolidBmp(1, 1, 0x563412);
}

std::string Item(const std::string& attributes) {
  return "<item " + attributes + "/>";
}

std::string MacroText(const std::string& items, const std::string& rootExtra = "") {
  return std::string(kDeclaration) + "<zorvel Zorvel=\"1.1\" FName=\"M\"" + rootExtra +
         "><ActionList>" + items + "</ActionList></zorvel>";
}

class MacroDocument : public ::testing::Test {
 protected:
  // Loads `text` written to `name` into a fresh macro; returns LoadDocument's answer.
  bool LoadText(const std::string& text, const std::string& name = "in.xml") {
    return macro.LoadDocument(folder.Write(name, text));
  }
  std::string LoadError(const std::string& text) {
    try {
      macro.LoadDocumentOrThrow(folder.Write("in.xml", text));
    } catch (const Error& error) {
      return error.what();
    }
    return "no error";
  }

  TempFolder folder;
  TXMLDocument document;
  TActionCtrl macro{document, folder.path()};
};

TActionPtr FullAction(int seed) {
  auto a = std::make_shared<TActionObj>();
  a->mouseClickPosX = -seed;
  a->mouseClickPosY = seed * 3;
  a->fColor = "$00563412";
  a->fBMP = EncodeBase64Stream(OnePixelBmp());
  a->fColorSimplar = 61 + seed;
  a->fBMPSimplar = 62 + seed;
  a->mouseMovePosX = 2147483647;
  a->mouseMovePosY = -2147483647 - 1;
  a->key = 0x70 + seed;
  a->typeText = "Grüße 你好 привет مرحبا 😀 <&\"'> tab\there\nline\r";
  a->delay = 12345 + seed;
  a->actionType = 3;
  a->mouseButton = 2;
  a->mouseAction = 4;
  a->mousePoint = 3;
  a->keyAction = 1;
  a->screenType = 7;
  a->typeReturn = seed % 2 == 0;
  a->waitTimeout = seed * 1500;
  a->notFound = seed % 2 == 0 ? NotFoundChoice::Skip : NotFoundChoice::Stop;
  return a;
}

void ExpectSameAction(const TActionObj& a, const TActionObj& b) {
  EXPECT_EQ(a.mouseClickPosX, b.mouseClickPosX);
  EXPECT_EQ(a.mouseClickPosY, b.mouseClickPosY);
  EXPECT_EQ(a.fColor, b.fColor);
  EXPECT_EQ(a.fBMP, b.fBMP);
  EXPECT_EQ(a.fColorSimplar, b.fColorSimplar);
  EXPECT_EQ(a.fBMPSimplar, b.fBMPSimplar);
  EXPECT_EQ(a.mouseMovePosX, b.mouseMovePosX);
  EXPECT_EQ(a.mouseMovePosY, b.mouseMovePosY);
  EXPECT_EQ(a.key, b.key);
  EXPECT_EQ(a.typeText, b.typeText);
  EXPECT_EQ(a.delay, b.delay);
  EXPECT_EQ(a.actionType, b.actionType);
  EXPECT_EQ(a.mouseButton, b.mouseButton);
  EXPECT_EQ(a.mouseAction, b.mouseAction);
  EXPECT_EQ(a.mousePoint, b.mousePoint);
  EXPECT_EQ(a.keyAction, b.keyAction);
  EXPECT_EQ(a.screenType, b.screenType);
  EXPECT_EQ(a.typeReturn, b.typeReturn);
  EXPECT_EQ(a.waitTimeout, b.waitTimeout);
  EXPECT_EQ(a.notFound, b.notFound);
}

TEST_F(MacroDocument, WritesTheNewMacroExactly) {
  macro.FName = "Test";
  macro.FCreateTime = "12/08/26";
  macro.Actions.Add(std::make_shared<TActionObj>());
  macro.SaveDocument();
  EXPECT_EQ(folder.Read("Test.xml"),
            std::string(kDeclaration) +
                "<zorvel Zorvel=\"1.1\" FName=\"Test\" FCreateTime=\"12/08/26\">"
                "<Config StartHotkey=\"1\" StopHotkey=\"2\" RepeatType=\"0\" RepeatTimes=\"1\" "
                "RepeatSpeed=\"1\" Interval=\"1000\"/>"
                "<Schedule ScheduleType=\"0\" SelectedIndex=\"0\" SelectedTime=\"\" "
                "SelectedDate=\"\"/>"
                "<ActionList><item mouseClickPosX=\"0\" mouseClickPosY=\"0\" fColor=\"clBlack\" "
                "fBMP=\"\" fColorSimplar=\"100\" fBMPSimplar=\"100\" mouseMovePosX=\"0\" "
                "mouseMovePosY=\"0\" key=\"0\" typeText=\"\" delay=\"1000\" actionType=\"0\" "
                "mouseButton=\"0\" mouseAction=\"0\" mousePoint=\"0\" keyAction=\"2\" "
                "screenType=\"0\"/></ActionList></zorvel>");
  EXPECT_EQ(folder.Listing(), "Test.xml;");  // no temporary file left behind
}

TEST_F(MacroDocument, EveryFieldSurvivesARoundTrip) {
  macro.FName = "Makro 名前 ✓";
  macro.FCreateTime = "08.12.2026";
  macro.Config = {11, 0, 2, -5, -9, 0};
  macro.Schedule = {4, 30, "23:59:59", "31.12.2026"};
  for (int i = 0; i < 3; ++i) macro.Actions.Add(FullAction(i));
  macro.Actions.Add(std::make_shared<TActionObj>());
  macro.SaveDocument();

  TActionCtrl loaded(document, folder.path());
  ASSERT_TRUE(loaded.LoadDocument(folder.File("Makro 名前 ✓.xml")));
  EXPECT_EQ(loaded.FName, macro.FName);
  EXPECT_EQ(loaded.FCreateTime, macro.FCreateTime);
  EXPECT_EQ(loaded.Config, macro.Config);
  EXPECT_EQ(loaded.Schedule, macro.Schedule);
  ASSERT_EQ(loaded.Actions.Count(), 4u);
  for (size_t i = 0; i < 4; ++i) ExpectSameAction(*loaded.Actions.Get(i), *macro.Actions.Get(i));
  EXPECT_FALSE(loaded.FRunning);
}

TEST_F(MacroDocument, APictureOf58BytesIsWrittenAs80Characters) {
  auto action = std::make_shared<TActionObj>();
  action->fBMP = EncodeBase64Stream(OnePixelBmp());
  macro.Actions.Add(action);
  macro.FName = "pic";
  macro.SaveDocument();
  std::string text = folder.Read("pic.xml");
  size_t start = text.find("fBMP=\"") + 6;
  std::string written = text.substr(start, text.find('"', start) - start);
  EXPECT_EQ(written.size(), 80u);
  EXPECT_EQ(written.substr(78), "==");
  EXPECT_EQ(DecodeBase64Stream(written), OnePixelBmp());
}

TEST_F(MacroDocument, ReadsByNameWhateverTheOrderAndDropsUnknownParts) {
  ASSERT_TRUE(
      LoadText(std::string(kDeclaration) +
               "<!-- note --><other Zorvel=\"9\" extra=\"x\" FCreateTime=\"d\" FName=\"N\">\n"
               "  <Unknown a=\"1\"><Config StartHotkey=\"9\"/></Unknown>\n"
               "  <ActionList>\n    <item delay=\"5\" junk=\"1\"/>\n    <!-- c -->\n"
               "    <step actionType=\"4\"><child/></step>\n  </ActionList>\n"
               "  <Schedule SelectedDate=\"1/2/27\" ScheduleType=\"4\"/>\n"
               "  <Config RepeatType=\"2\" Interval=\"0\"/>\n"
               "  <Config RepeatType=\"1\"/>\n"
               "</other>\n"));
  EXPECT_EQ(macro.FName, "N");
  EXPECT_EQ(macro.FCreateTime, "d");
  EXPECT_EQ(macro.Config, (TActionConfig{1, 2, 2, 1, 1, 0}));
  EXPECT_EQ(macro.Schedule, (TActionSchedule{4, 0, "", "1/2/27"}));
  ASSERT_EQ(macro.Actions.Count(), 2u);
  EXPECT_EQ(macro.Actions.Get(0)->delay, 5);
  EXPECT_EQ(macro.Actions.Get(1)->actionType, 4);

  macro.SaveDocument();
  std::string saved = folder.Read("N.xml");
  for (const char* dropped : {"Unknown", "junk", "extra", "step", "note", "other"})
    EXPECT_EQ(saved.find(dropped), std::string::npos) << dropped;
}

TEST_F(MacroDocument, AnItemWithoutAttributesHasTheDefaults) {
  ASSERT_TRUE(LoadText(MacroText("<item/>")));
  ASSERT_EQ(macro.Actions.Count(), 1u);
  ExpectSameAction(*macro.Actions.Get(0), TActionObj());
  const TActionObj& a = *macro.Actions.Get(0);
  EXPECT_EQ(a.keyAction, 2);
  EXPECT_EQ(a.delay, 1000);
  EXPECT_EQ(a.fColor, "clBlack");
  EXPECT_EQ(a.fColorSimplar, 100);
}

TEST_F(MacroDocument, CodesKeepTheirLow8Bits) {
  ASSERT_TRUE(
      LoadText(MacroText(Item("actionType=\"263\" mouseButton=\"-1\" mouseAction=\"256\" "
                              "mousePoint=\"+3\" keyAction=\"-256\" screenType=\"7\""))));
  const TActionObj& a = *macro.Actions.Get(0);
  EXPECT_EQ(a.actionType, 7);
  EXPECT_EQ(a.mouseButton, 255);
  EXPECT_EQ(a.mouseAction, 0);
  EXPECT_EQ(a.mousePoint, 3);
  EXPECT_EQ(a.keyAction, 0);
  EXPECT_EQ(a.screenType, 7);
}

TEST_F(MacroDocument, MissingPartsKeepWhatTheMacroHeld) {
  macro.FName = "kept";
  macro.FCreateTime = "kept too";
  macro.Config.Interval = 77;
  macro.Actions.Add(FullAction(1));
  ASSERT_TRUE(LoadText(std::string(kDeclaration) + "<zorvel Zorvel=\"\"/>"));
  EXPECT_EQ(macro.FName, "kept");
  EXPECT_EQ(macro.FCreateTime, "kept too");
  EXPECT_EQ(macro.Config.Interval, 77);
  EXPECT_EQ(macro.Actions.Count(), 1u);

  ASSERT_TRUE(LoadText("<zorvel Zorvel=\"1.1\"><ActionList/></zorvel>"));
  EXPECT_EQ(macro.Actions.Count(), 0u);
}

TEST_F(MacroDocument, RefusedDocumentsLeaveTheMacroUnchanged) {
  macro.FName = "before";
  const std::pair<const char*, const char*> cases[] = {
      {"", "is not well-formed XML (No document element found at line 1, column 1)"},
      {"not xml at all", "is not well-formed XML (No document element found at line 1, column 15)"},
      {"<zorvel Zorvel=\"1.1\" FName=\"x\">\n<Config>\n</zorvel>",
       "is not well-formed XML (Start-end tags mismatch at line 3, column 3)"},
      {"<zorvel Zorvel=\"1.1\" FName=\"x\"><ActionList><item delay=\"5",
       "is not well-formed XML (Error parsing element attribute at line 1, column 57)"},
      {"\x01\x02\xff\xfe\x00\x00binary", "is not well-formed XML"},
      {"<zorvel Zorvel=\"1\"/>\n<zorvel Zorvel=\"1\"/>",
       "is not well-formed XML (a second root element <zorvel> at line 2, column 2)"},
      {"<zorvel Zorvel=\"1\"/>\n  trailing garbage",
       "is not well-formed XML (text outside the root element at line 2, column 3)"},
      {"garbage<zorvel Zorvel=\"1\"/>", "(text outside the root element at line 1, column 1)"},
      {"<zorvel Zorvel=\"1\"/><!-- a comment is fine --><", "is not well-formed XML"},
      {"<zorvel Zorvel=\"1\" FName=\"a\" FName=\"b\"/>",
       "(the attribute FName twice on <zorvel> at line 1, column 2)"},
      {"<zorvel Zorvel=\"1\"><ActionList><item delay=\"1\" delay=\"2\"/></ActionList></zorvel>",
       "(the attribute delay twice on <item>"},
      {"<zorvel Zorvel=\"1\" FName=\"a&#0;b\"/>",
       "(a reference to the NUL character at line 1, column 28)"},
      {"<zorvel Zorvel=\"1\" FName=\"a&#x000;b\"/>", "(a reference to the NUL character"},
      {"<zorvel Zorvel=\"1\" FName=\"a\xff\"/>",
       "(bytes that are not valid UTF-8 at line 1, column 28)"},
      {"<zorvel Zorvel=\"1\" FName=\"\xc0\xaf\"/>", "(bytes that are not valid UTF-8"},  // overlong
      {"<zorvel Zorvel=\"1\" FName=\"\xed\xa0\x80\"/>", "(bytes that are not valid UTF-8"},
      {"<zorvel Zorvel=\"1\" FName=\"\xf4\x90\x80\x80\"/>", "(bytes that are not valid UTF-8"},
      {"<zorvel Zorvel=\"1\" FName=\"\xe2\x82\"/>", "(bytes that are not valid UTF-8"},
      {"<root FName=\"x\"><config/></root>",
       "is not a macro document: its document element has no Zorvel attribute"},
      {"<zorvel zorvel=\"1.1\" FName=\"x\"/>",
       "is not a macro document: its document element has no Zorvel attribute"},
  };
  for (const auto& [text, reason] : cases) {
    EXPECT_FALSE(LoadText(text)) << text;
    EXPECT_NE(LoadError(text).find(reason), std::string::npos) << LoadError(text);
    EXPECT_EQ(macro.FName, "before");
  }
  EXPECT_FALSE(macro.LoadDocument(folder.File("missing.xml")));
  EXPECT_FALSE(macro.LoadDocument());  // before.xml does not exist
  try {
    macro.LoadDocumentOrThrow(folder.File("missing.xml"));
    ADD_FAILURE();
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "File not found: " + folder.File("missing.xml"));
  }
  std::filesystem::create_directory(folder.File("dir.xml"));
  EXPECT_FALSE(macro.LoadDocument(folder.File("dir.xml")));
}

TEST_F(MacroDocument, WellFormedCornersStillLoad) {
  const std::string cases[] = {
      "<?xml version=\"1.0\"?>\n<!-- before --><zorvel Zorvel=\"1\" FName=\"a\"/>\n<!-- after "
      "-->\n",
      "<!DOCTYPE zorvel><zorvel Zorvel=\"1\" FName=\"a\"/>  \r\n\t",
      "<zorvel Zorvel=\"1\" FName=\"a\" fname=\"B\"/><?pi after?>",
      "<zorvel Zorvel=\"1\" FName=\"a&#10;&#x1F600;&#xa0;&amp;#0;\xf0\x9f\x98\x80\"/>",
  };
  for (const std::string& text : cases) {
    EXPECT_TRUE(LoadText(text)) << text << ": " << LoadError(text);
    EXPECT_EQ(macro.FName.substr(0, 1), "a") << text;
  }
  ASSERT_TRUE(LoadText(cases[3]));
  EXPECT_EQ(macro.FName, "a\n\xf0\x9f\x98\x80\xc2\xa0&#0;\xf0\x9f\x98\x80");
}

TEST_F(MacroDocument, BadIntegersAreErrorsNamingTheAttributeAndItem) {
  std::string nineGood;
  for (int i = 0; i < 9; ++i) nineGood += Item("delay=\"" + std::to_string(i) + "\"");
  const std::pair<std::string, std::string> cases[] = {
      {MacroText(nineGood + Item("delay=\"12x\"")),
       "item 10: attribute delay holds \"12x\", which is not a 32-bit integer"},
      {MacroText(Item("key=\"\"")),
       "item 1: attribute key holds \"\", which is not a 32-bit integer"},
      {MacroText(Item("key=\" 5\"")), "item 1: attribute key holds \" 5\""},
      {MacroText(Item("mouseClickPosX=\"2147483648\"")), "item 1: attribute mouseClickPosX"},
      {MacroText(Item("screenType=\"0x7\"")), "item 1: attribute screenType"},
      {MacroText(Item("delay=\"1.5\" key=\"x\"")), "item 1: attribute key holds \"x\""},
      {"<zorvel Zorvel=\"1\"><Config Interval=\"-\"/></zorvel>",
       "Config: attribute Interval holds \"-\""},
      {"<zorvel Zorvel=\"1\"><Schedule SelectedIndex=\"99999999999999999999\"/></zorvel>",
       "Schedule: attribute SelectedIndex holds \"99999999999999999999\""},
  };
  for (const auto& [text, reason] : cases) {
    macro.FName = "before";
    macro.Actions.Clear();
    EXPECT_THROW(LoadText(text), Error);
    EXPECT_NE(LoadError(text).find(reason), std::string::npos) << LoadError(text);
    EXPECT_EQ(macro.FName, "before");
    EXPECT_EQ(macro.Actions.Count(), 0u);
  }
  std::string longValue(1 << 20, '7');
  EXPECT_NE(LoadError(MacroText(Item("delay=\"" + longValue + "\""))).find("7777...\""),
            std::string::npos);
}

// The optional settings follow the 17 fields only when they differ from their defaults, and are
// read wherever they stand in the item.
TEST_F(MacroDocument, OptionalSettingsAreWrittenOnlyWhenNotDefault) {
  macro.FName = "Opt";
  auto typed = std::make_shared<TActionObj>();
  typed->typeReturn = false;
  auto waiting = std::make_shared<TActionObj>();
  waiting->waitTimeout = 5000;
  waiting->notFound = NotFoundChoice::Stop;
  auto stopOnly = std::make_shared<TActionObj>();
  stopOnly->notFound = NotFoundChoice::Stop;
  for (const auto& action : {typed, waiting, stopOnly}) macro.Actions.Add(action);
  macro.SaveDocument();
  const std::string saved = folder.Read("Opt.xml");
  for (const char* tail : {"screenType=\"0\" typeReturn=\"0\"/>",
                           "screenType=\"0\" waitTimeout=\"5000\" notFound=\"stop\"/>",
                           "screenType=\"0\" notFound=\"stop\"/>"})
    EXPECT_NE(saved.find(tail), std::string::npos) << tail << "\n" << saved;

  ASSERT_TRUE(LoadText(
      MacroText(Item("notFound=\"stop\" typeReturn=\"0\" delay=\"5\" waitTimeout=\"250\"") +
                Item("typeReturn=\"1\" waitTimeout=\"0\" notFound=\"skip\""))));
  ASSERT_EQ(macro.Actions.Count(), 2u);
  const TActionObj& first = *macro.Actions.Get(0);
  EXPECT_FALSE(first.typeReturn);
  EXPECT_EQ(first.delay, 5);
  EXPECT_EQ(first.waitTimeout, 250);
  EXPECT_EQ(first.notFound, NotFoundChoice::Stop);
  ExpectSameAction(*macro.Actions.Get(1), TActionObj());
  macro.FName = "Opt2";
  macro.SaveDocument();
  const std::string resaved = folder.Read("Opt2.xml");
  for (const char* defaulted : {"typeReturn=\"1\"", "waitTimeout=\"0\"", "notFound=\"skip\""})
    EXPECT_EQ(resaved.find(defaulted), std::string::npos) << resaved;
}

TEST_F(MacroDocument, ADocumentWithoutOptionalSettingsIsRewrittenByteForByte) {
  const std::string item =
      "<item mouseClickPosX=\"-4\" mouseClickPosY=\"9\" fColor=\"clRed\" fBMP=\"\" "
      "fColorSimplar=\"90\" fBMPSimplar=\"100\" mouseMovePosX=\"0\" mouseMovePosY=\"0\" "
      "key=\"0\" typeText=\"x\" delay=\"1000\" actionType=\"0\" mouseButton=\"0\" "
      "mouseAction=\"0\" mousePoint=\"2\" keyAction=\"2\" screenType=\"0\"/>";
  const std::string text = std::string(kDeclaration) +
                           "<zorvel Zorvel=\"1.1\" FName=\"Same\" FCreateTime=\"12/08/26\">"
                           "<Config StartHotkey=\"1\" StopHotkey=\"2\" RepeatType=\"0\" "
                           "RepeatTimes=\"1\" RepeatSpeed=\"1\" Interval=\"1000\"/>"
                           "<Schedule ScheduleType=\"0\" SelectedIndex=\"0\" SelectedTime=\"\" "
                           "SelectedDate=\"\"/><ActionList>" +
                           item + item + "</ActionList></zorvel>";
  ASSERT_TRUE(LoadText(text, "Same.xml"));
  macro.SaveDocument();
  EXPECT_EQ(folder.Read("Same.xml"), text);
}

TEST_F(MacroDocument, BadOptionalSettingsAreErrorsNamingTheAttribute) {
  const std::pair<std::string, std::string> cases[] = {
      {Item("typeReturn=\"yes\""),
       "item 1: attribute typeReturn holds \"yes\", which is not 0 or 1"},
      {Item("typeReturn=\"\""), "item 1: attribute typeReturn holds \"\""},
      {Item("") + Item("typeReturn=\"2\""), "item 2: attribute typeReturn holds \"2\""},
      {Item("waitTimeout=\"-1\""),
       "item 1: attribute waitTimeout holds \"-1\", which is not 0 or more milliseconds"},
      {Item("waitTimeout=\"5s\""), "item 1: attribute waitTimeout holds \"5s\""},
      {Item("notFound=\"Stop\""),
       "item 1: attribute notFound holds \"Stop\", which is neither skip nor stop"},
  };
  for (const auto& [items, reason] : cases) {
    const std::string text = MacroText(items);
    EXPECT_NE(LoadError(text).find(reason), std::string::npos) << LoadError(text);
  }
}

TEST(ParseInt32, AcceptsSignAndDigitsOnly) {
  const std::pair<const char*, int64_t> good[] = {
      {"0", 0},
      {"-0", 0},
      {"+7", 7},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483648LL},
      {"-1", -1},
      {"000000000000", 0},
  };
  for (const auto& [text, value] : good) {
    int32_t parsed = 99;
    EXPECT_TRUE(ParseInt32(text, parsed)) << text;
    EXPECT_EQ(parsed, value) << text;
  }
  for (const char* text : {"", "-", "+", "2147483648", "-2147483649", "1 ", " 1", "1e3", "0x1",
                           "--1", "+-1", "1.0", "٣", "0000000000001"}) {
    int32_t parsed = 99;
    EXPECT_FALSE(ParseInt32(text, parsed)) << text;
    EXPECT_EQ(parsed, 99);
  }
}

TEST_F(MacroDocument, ADocumentWithoutANameSavesToItsOwnFile) {
  ASSERT_TRUE(LoadText("<zorvel Zorvel=\"1.1\"><ActionList><item/></ActionList></zorvel>",
                       "Some file.xml"));
  EXPECT_EQ(macro.FName, "");
  EXPECT_EQ(macro.DocumentPath(), folder.path() + "/Some file.xml");
  macro.SaveDocument();
  EXPECT_EQ(folder.Listing(), "Some file.xml;");
  TActionCtrl unnamed(document, folder.path());
  EXPECT_EQ(unnamed.DocumentPath(), folder.path() + "/.xml");  // a new one is named after FName
}

TEST_F(MacroDocument, RefusesNamesThatLeaveTheFolderOrHitTheSettings) {
  folder.Write("zorvelconfig.xml", "<root><config/></root>");
  folder.Write("keep.xml", "keep");
  std::string before = folder.Listing();
  for (const std::string& name : std::vector<std::string>{
           "a/b", "../escape", "/etc/passwd", "a\\b", ".", "..", "zorvelconfig", "ZorvelConfig",
           "ZORVELCONFIG", std::string("nul\0x", 5)}) {
    macro.FName = name;
    EXPECT_THROW(macro.SaveDocument(), Error) << name;
    EXPECT_THROW(macro.DeleteDocument(), Error) << name;
    EXPECT_THROW(CheckDocumentName(name), Error) << name;
  }
  EXPECT_EQ(folder.Listing(), before);
  EXPECT_EQ(folder.Read("zorvelconfig.xml"), "<root><config/></root>");
  for (const char* name : {"", "...", "a.b", "zorvelconfig2", " zorvelconfig", "名前"})
    EXPECT_NO_THROW(CheckDocumentName(name)) << name;
}

TEST_F(MacroDocument, AFailedSaveLeavesNoFileAndKeepsTheMacro) {
  std::filesystem::create_directory(folder.File("busy.xml"));
  folder.Write("busy.xml/inside", "x");
  macro.FName = "busy";
  macro.Actions.Add(FullAction(1));
  EXPECT_THROW(macro.SaveDocument(), Error);
  EXPECT_EQ(folder.Listing(), "busy.xml;");
  EXPECT_EQ(macro.Actions.Count(), 1u);

  macro.FFolder = folder.File("no such folder");
  try {
    macro.SaveDocument();
    ADD_FAILURE();
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos);
  }
}

TEST_F(MacroDocument, SaveReplacesTheOldDocumentAndDeleteRemovesIt) {
  macro.FName = "m";
  macro.Actions.Add(FullAction(1));
  macro.SaveDocument();
  macro.Actions.Clear();
  macro.SaveDocument();
  EXPECT_NE(folder.Read("m.xml").find("<ActionList/></zorvel>"), std::string::npos);
  ASSERT_TRUE(macro.LoadDocument());
  EXPECT_EQ(macro.Actions.Count(), 0u);
  macro.DeleteDocument();
  EXPECT_FALSE(folder.Exists("m.xml"));
  EXPECT_NO_THROW(macro.DeleteDocument());  // a missing document is no error
}

TEST_F(MacroDocument, TheMeasuredSizeIsTheSavedSizeAndACopyKeepsTheName) {
  macro.FName = "measured";
  macro.SaveDocument();
  EXPECT_EQ(macro.DocumentBytes(), folder.Read("measured.xml").size());
  for (int i = 0; i < 3; ++i) macro.Actions.Add(FullAction(i));
  macro.SaveDocument();
  EXPECT_EQ(macro.DocumentBytes(), folder.Read("measured.xml").size());

  macro.WriteCopyTo(folder.File("elsewhere.xml"));
  EXPECT_EQ(folder.Read("elsewhere.xml"), folder.Read("measured.xml"));
  EXPECT_EQ(macro.DocumentPath(), folder.File("measured.xml"));  // still the macro's own file
  EXPECT_THROW(macro.WriteCopyTo(folder.File("elsewhere.xml")), Error);  // never replaces a file
  TActionCtrl again(document, folder.path());
  ASSERT_TRUE(again.LoadDocument(folder.File("elsewhere.xml")));
  EXPECT_EQ(again.FName, "measured");
  EXPECT_EQ(again.Actions.Count(), 3u);
}

TEST_F(MacroDocument, HugeValuesAndDeepNestingLoad) {
  std::string big(1 << 20, 'x');
  ASSERT_TRUE(LoadText(MacroText(Item("typeText=\"" + big + "\" fBMP=\"not base64!\""))));
  EXPECT_EQ(macro.Actions.Get(0)->typeText, big);
  EXPECT_THROW(macro.Actions.Get(0)->GetBMPData(), Error);

  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  ASSERT_TRUE(
      LoadText("<zorvel Zorvel=\"1\"><ActionList><item/></ActionList>" + deep + "</zorvel>"));
  EXPECT_EQ(macro.Actions.Count(), 1u);
}

TEST(ActionPicture, DecodesOnceAndCachesEvenAPictureThatDoesNotLoad) {
  TActionObj action;
  EXPECT_EQ(action.GetBMPData(), nullptr);
  EXPECT_EQ(action.fBMPData, nullptr);

  action.fBMP = "abc";
  try {
    action.GetBMPData();
    ADD_FAILURE();
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Uneven size in DecodeToStream.");
  }
  EXPECT_EQ(action.fBMPData, nullptr);

  action.fBMP = EncodeBase64Stream(OnePixelBmp());
  auto picture = action.GetBMPData();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width, 1);
  EXPECT_EQ(picture->Height, 1);
  EXPECT_EQ(picture->GetPixel(0, 0), 0x123456u);
  EXPECT_EQ(action.GetBMPData(), picture);

  TActionObj copy = action;  // a run plays copies that share the decoded picture
  EXPECT_EQ(copy.GetBMPData(), picture);

  action.fBMP = EncodeBase64Stream(std::vector<uint8_t>{'n', 'o', 't', ' ', 'b', 'm', 'p'});
  EXPECT_EQ(action.GetBMPData(), picture);  // the cache stays until reloaded
  action.ReloadBMPData();
  auto empty = action.GetBMPData();
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->Empty());
  EXPECT_EQ(action.GetBMPData(), empty);

  action.fBMP.clear();
  action.ReloadBMPData();
  EXPECT_EQ(action.GetBMPData(), nullptr);
}

TEST(ActionList, RemovingEntriesLeavesTheActionsAlive) {
  TActionList list;
  auto held = std::make_shared<TActionObj>();
  held->delay = 5;
  list.Add(held);
  list.Add(std::make_shared<TActionObj>());
  list.Delete(0);
  EXPECT_EQ(held->delay, 5);
  EXPECT_EQ(held.use_count(), 1);
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.IndexOf(held.get()), -1);
}

}  // namespace
}  // namespace zorvel
