#include "app/WindowTexts.h"

#include <QRegularExpression>
#include <QString>

#include <vector>

namespace veldrant::app {

namespace {

// One English sentence and its Japanese form; %1, %2, ... are the sentence's captures.
struct Rule {
    QRegularExpression english;
    const char* japanese;
};

using Rules = std::vector<Rule>;

Rule R(const char* pattern, const char* japanese) {
    return {QRegularExpression(QString::fromUtf8(pattern)), japanese};
}

// Why a file could not be made or written, as the platform's output layer words it. The
// system's own reason (strerror, FormatMessage) comes in the system's language already.
const Rules& Reasons() {
    static const Rules rules = {
        R("^cannot create '(.*)': (.*)$", "「%1」を作成できません。%2"),
        R("^cannot write '(.*)': (.*)$", "「%1」に書き込めません。%2"),
        R("^the folder '(.*)' does not exist$", "フォルダー「%1」が存在しません。"),
        R("^'(.*)' is not a folder$", "「%1」はフォルダーではありません。"),
        R("^'(.*)' is not a regular file$", "「%1」はファイルではありません。"),
        R("^'(.*)' is (?:a folder|a device|a FIFO|a socket), not a file$",
          "「%1」はファイルではありません。"),
        R("^the file is closed$", "ファイルは閉じられています。"),
        R("^the output was abandoned$", "書き込みは取り消されました。"),
    };
    return rules;
}

// The mark import's sentences. Greedy captures: a reason ends at the sentence's last frame.
const Rules& Sentences() {
    static const Rules rules = {
        R("^The mark file could not be created: (.*)$",
          "地点データのファイルを作成できませんでした。\n%1"),
        R("^The mark file could not be written: (.*)\\. (.*) was left as it was\\.$",
          "地点データのファイルに書き込めませんでした。\n%1\n%2 は元のままです。"),
        R("^The mark file could not be written: (.*)$",
          "地点データのファイルに書き込めませんでした。\n%1"),
        R("^(\\d+) of (\\d+) mark sets could not be read from the watch; (.*) was not written\\.$",
          "%2 件の地点データのうち %1 件を端末から読み取れませんでした。\n%3 "
          "には何も書き込んでいません。"),
        R("^No mark set on the watch holds a mark; (.*) was not written\\.$",
          "端末の地点データには地点がひとつもありません。\n%1 には何も書き込んでいません。"),
        R("^(\\d+) of (\\d+) mark sets could not be read from the watch and are missing from "
          "(.*)\\.$",
          "%2 件の地点データのうち %1 件を端末から読み取れませんでした。\n%3 "
          "にはその地点データが含まれていません。"),
        R("^The watch reports (\\d+) mark sets, more than it can hold\\. Nothing was imported; "
          "reconnect the watch and try again\\.$",
          "端末は地点データが %1 件あると答えましたが、端末が保持できる数を超えています。\n"
          "何も取り込んでいません。端末を接続し直して、もう一度お試しください。"),
    };
    return rules;
}

// The first rule that matches the whole text, applied; each capture is itself looked up among
// the reasons. Unchanged when none matches.
QString Apply(const Rules& rules, const QString& text) {
    for (const Rule& rule : rules) {
        QRegularExpressionMatch m = rule.english.match(text);
        if (!m.hasMatch())
            continue;
        // One pass over the form: a path that holds "%2" stays as it is.
        const QString form = QString::fromUtf8(rule.japanese);
        QString out;
        for (qsizetype i = 0; i < form.size(); ++i) {
            if (form[i] == QLatin1Char('%') && i + 1 < form.size() && form[i + 1].isDigit()) {
                out += Apply(Reasons(), m.captured(form[++i].digitValue()));
            } else {
                out += form[i];
            }
        }
        return out;
    }
    return text;
}

}  // namespace

std::string WindowText(const std::string& text) {
    const QString in = QString::fromStdString(text);
    const QString out = Apply(Sentences(), in);
    return out == in ? text : out.toStdString();
}

}  // namespace veldrant::app
