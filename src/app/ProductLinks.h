#pragma once

#include <QString>
#include <QUrl>
#include <QUrlQuery>

// The maker's addresses behind the About box's two links, kept here alone. They lie under
// example.org, the documentation domain, so no real party is ever reached by mistake.
namespace ProductLinks {

inline QString productName()
{
    return QStringLiteral("NORVO-Pictavault専用　Ｇｌａｎｃｅｒ");
}

inline QString homePageText()
{
    return QStringLiteral("https://example.org/qirva/");
}

inline QUrl homePage()
{
    return QUrl(homePageText());
}

inline QString mailAddress()
{
    return QStringLiteral("qirva@example.org");
}

// A new message to the maker, its subject naming the product.
inline QUrl mailMessage()
{
    QUrl url(QStringLiteral("mailto:") + mailAddress());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), productName());
    url.setQuery(query);
    return url;
}

} // namespace ProductLinks
