// SPDX-License-Identifier: MIT
// Parsing and editing rules of profile text, on strings (no disk).
#include "ProfileText.h"

#include <QTest>

using tallyport::ProfileText;

class TestProfileText : public QObject {
    Q_OBJECT

private slots:
    void readsIntegers_data();
    void readsIntegers();
    void readsValues_data();
    void readsValues();
    void editsInPlace_data();
    void editsInPlace();
};

void TestProfileText::readsIntegers_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    // Fallback is 50 throughout.
    QTest::addRow("plain decimal") << QByteArray("17") << 17;
    QTest::addRow("negative decimal") << QByteArray("-40") << -40;
    QTest::addRow("explicit plus sign") << QByteArray("+7") << 7;
    QTest::addRow("0x prefix") << QByteArray("0x20") << 32;
    QTest::addRow("0X prefix") << QByteArray("0X20") << 32;
    QTest::addRow("dollar prefix") << QByteArray("$20") << 32;
    QTest::addRow("x prefix") << QByteArray("x20") << 32;
    QTest::addRow("capital X prefix with lower-case digits") << QByteArray("Xff") << 255;
    QTest::addRow("FFFFFFFF is the pattern of -1") << QByteArray("$FFFFFFFF") << -1;
    QTest::addRow("80000000 is the lowest integer") << QByteArray("0x80000000") << INT_MIN;
    QTest::addRow("leading zeros do not count against the hex range")
        << QByteArray("$000000000FF") << 255;
    QTest::addRow("hex beyond 32 bits falls back") << QByteArray("$100000000") << 50;
    QTest::addRow("lowest 32-bit decimal") << QByteArray("-2147483648") << INT_MIN;
    QTest::addRow("highest 32-bit decimal") << QByteArray("2147483647") << INT_MAX;
    QTest::addRow("one above the range falls back") << QByteArray("2147483648") << 50;
    QTest::addRow("one below the range falls back") << QByteArray("-2147483649") << 50;
    QTest::addRow("sign with hex prefix falls back") << QByteArray("-0x20") << 50;
    QTest::addRow("sign with dollar falls back") << QByteArray("+$20") << 50;
    QTest::addRow("prefix without digits falls back") << QByteArray("$") << 50;
    QTest::addRow("0x alone falls back") << QByteArray("0x") << 50;
    QTest::addRow("sign without digits falls back") << QByteArray("-") << 50;
    QTest::addRow("letters fall back") << QByteArray("abc") << 50;
    QTest::addRow("empty text falls back") << QByteArray("") << 50;
    QTest::addRow("leading blanks are skipped") << QByteArray("  12") << 12;
    QTest::addRow("leading blanks before 0x are skipped") << QByteArray(" 0x10") << 16;
    QTest::addRow("a trailing blank falls back") << QByteArray("12 ") << 50;
    QTest::addRow("a trailing letter falls back") << QByteArray("12a") << 50;
    QTest::addRow("a decimal point falls back") << QByteArray("1.5") << 50;
    QTest::addRow("leading zeros in decimal are fine") << QByteArray("007") << 7;
}

void TestProfileText::readsIntegers() {
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    QCOMPARE(tallyport::profileInteger(text.toStdString(), 50), expected);
}

void TestProfileText::readsValues_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray basic = "[Name]\nFix=scimg_\nDegit=3\n";
    QTest::addRow("a plain key") << basic << QByteArray("Name") << QByteArray("Fix") << true
                                 << QByteArray("scimg_");
    QTest::addRow("names ignore letter case")
        << basic << QByteArray("nAME") << QByteArray("fix") << true << QByteArray("scimg_");
    QTest::addRow("a missing key")
        << basic << QByteArray("Name") << QByteArray("Other") << false << QByteArray();
    QTest::addRow("a missing section")
        << basic << QByteArray("Pos") << QByteArray("Fix") << false << QByteArray();
    QTest::addRow("an empty value is found, not missing")
        << QByteArray("[Name]\nFix=\n") << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray("");
    QTest::addRow("blanks around names and values are trimmed")
        << QByteArray("  [ Name ]  \n\t Fix \t=\t a b \t\n") << QByteArray("Name")
        << QByteArray("Fix") << true << QByteArray("a b");
    QTest::addRow("text after the closing bracket is ignored")
        << QByteArray("[Name] trailing\nFix=x\n") << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray("x");
    QTest::addRow("an unclosed bracket line keeps keys in the section above")
        << QByteArray("[Name]\n[broken\nFix=x\n") << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray("x");
    QTest::addRow("the first of duplicate keys wins")
        << QByteArray("[Name]\nFix=first\nFix=second\n") << QByteArray("Name") << QByteArray("Fix")
        << true << QByteArray("first");
    QTest::addRow("only the first copy of a repeated section is searched")
        << QByteArray("[Name]\nA=1\n[Name]\nFix=x\n") << QByteArray("Name") << QByteArray("Fix")
        << false << QByteArray();
    QTest::addRow("keys before any section belong to none")
        << QByteArray("Fix=x\n[Name]\n") << QByteArray("Name") << QByteArray("Fix") << false
        << QByteArray();
    QTest::addRow("a semicolon line is a key of its own, not a comment")
        << QByteArray("[Name]\n;Fix=x\n") << QByteArray("Name") << QByteArray("Fix") << false
        << QByteArray();
    QTest::addRow("a semicolon inside a value is part of it")
        << QByteArray("[Name]\nFix=abc ;note\n") << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray("abc ;note");
    QTest::addRow("a line without equals is not a key")
        << QByteArray("[Name]\nFix\n") << QByteArray("Name") << QByteArray("Fix") << false
        << QByteArray();
    QTest::addRow("matching double quotes are removed")
        << QByteArray("[Name]\nFix=\" a b \"\n") << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray(" a b ");
    QTest::addRow("matching single quotes are removed")
        << QByteArray("[Name]\nFix='abc'\n") << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray("abc");
    QTest::addRow("one-sided or inner quotes stay")
        << QByteArray("[Name]\nFix=a\"b\"c\nDegit=\"abc\n") << QByteArray("Name")
        << QByteArray("Fix") << true << QByteArray("a\"b\"c");
    QTest::addRow("CRLF line ends")
        << QByteArray("[Pos]\r\nTop=1\r\n[Name]\r\nFix=x\r\n") << QByteArray("Name")
        << QByteArray("Fix") << true << QByteArray("x");
    QTest::addRow("lone CR line ends")
        << QByteArray("[Pos]\rTop=1\r[Name]\rFix=x") << QByteArray("Name") << QByteArray("Fix")
        << true << QByteArray("x");
    QTest::addRow("a NUL byte cuts the value")
        << QByteArray("[Name]\nFix=ab\0cd\n", 16) << QByteArray("Name") << QByteArray("Fix") << true
        << QByteArray("ab");
    QTest::addRow("a very long line does not disturb the keys after it")
        << QByteArray("[Name]\nLong=" + QByteArray(70000, 'x') + "\nFix=x\n") << QByteArray("Name")
        << QByteArray("Fix") << true << QByteArray("x");
}

void TestProfileText::readsValues() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    QFETCH(QByteArray, expected);
    const auto value =
        ProfileText(text.toStdString()).value(section.toStdString(), key.toStdString());
    QCOMPARE(value.has_value(), found);
    if (found)
        QCOMPARE(QByteArray::fromStdString(*value), expected);
}

void TestProfileText::editsInPlace_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");
    // Every row writes to section "Name".
    QTest::addRow("an empty text gets the section and the key")
        << QByteArray() << QByteArray("Fix") << QByteArray("scimg_")
        << QByteArray("[Name]\nFix=scimg_\n");
    QTest::addRow("a value is replaced in place, spelling and spacing kept")
        << QByteArray("; mine\n[name]\n fix = old  \nDegit=3\n") << QByteArray("Fix")
        << QByteArray("new") << QByteArray("; mine\n[name]\n fix = new  \nDegit=3\n");
    QTest::addRow("an empty value is filled in")
        << QByteArray("[Name]\nFix=\n") << QByteArray("Fix") << QByteArray("a")
        << QByteArray("[Name]\nFix=a\n");
    QTest::addRow("writing the stored value changes nothing")
        << QByteArray("[Name]\r\nFix=a\r\n\r\n[Other]\r\nK=v") << QByteArray("Fix")
        << QByteArray("a") << QByteArray("[Name]\r\nFix=a\r\n\r\n[Other]\r\nK=v");
    QTest::addRow("a missing key goes after the section's last non-blank line")
        << QByteArray("[Name]\nFix=a\n; note\n\n[Other]\nK=v\n") << QByteArray("Degit")
        << QByteArray("3") << QByteArray("[Name]\nFix=a\n; note\nDegit=3\n\n[Other]\nK=v\n");
    QTest::addRow("a missing section goes at the end, with the file's CRLF")
        << QByteArray("[Other]\r\nK=v\r\n") << QByteArray("Fix") << QByteArray("x")
        << QByteArray("[Other]\r\nK=v\r\n[Name]\r\nFix=x\r\n");
    QTest::addRow("a last line without line end is ended first")
        << QByteArray("[Other]\nK=v") << QByteArray("Fix") << QByteArray("x")
        << QByteArray("[Other]\nK=v\n[Name]\nFix=x\n");
    QTest::addRow("a key for a section ending the file without line end")
        << QByteArray("[Name]\nFix=a") << QByteArray("Degit") << QByteArray("3")
        << QByteArray("[Name]\nFix=a\nDegit=3\n");
    QTest::addRow("only the first of duplicate keys is replaced")
        << QByteArray("[Name]\nFix=1\nFix=2\n") << QByteArray("Fix") << QByteArray("x")
        << QByteArray("[Name]\nFix=x\nFix=2\n");
    QTest::addRow("only the first copy of a repeated section is used")
        << QByteArray("[Name]\nA=1\n[Name]\nFix=2\n") << QByteArray("Fix") << QByteArray("x")
        << QByteArray("[Name]\nA=1\nFix=x\n[Name]\nFix=2\n");
    QTest::addRow("line breaks in a value cannot add lines")
        << QByteArray("[Name]\nFix=a\n") << QByteArray("Fix") << QByteArray("x\r\n[Evil]\nk=v")
        << QByteArray("[Name]\nFix=x  [Evil] k=v\n");
    QTest::addRow("quotes, semicolons and equals are written verbatim")
        << QByteArray() << QByteArray("Fix") << QByteArray("\"a=b;c\"")
        << QByteArray("[Name]\nFix=\"a=b;c\"\n");
    QTest::addRow("bytes outside the value survive, NUL included")
        << QByteArray("[Name]\nFix=a\nJunk=\0\xff\n", 21) << QByteArray("Fix") << QByteArray("b")
        << QByteArray("[Name]\nFix=b\nJunk=\0\xff\n", 21);
}

void TestProfileText::editsInPlace() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    ProfileText text(before.toStdString());
    text.setValue("Name", key.toStdString(), value.toStdString());
    QCOMPARE(QByteArray::fromStdString(text.bytes()), after);
}

QTEST_GUILESS_MAIN(TestProfileText)
#include "tst_profiletext.moc"
