#pragma once
// Masks written in the old notation ("&&&&999999aaa", "####"): what each place
// takes, and a stored value put into the places.

#include <QChar>
#include <QString>

namespace korim::application {

// "&" any printable character but a blank, "9" and "#" a digit, "a" a letter
// or digit; any other mask character only itself.
bool maskAccepts(QChar place, QChar c);
// A stored value place by place: a character its place does not take, a
// blank or the prompt becomes the prompt, so later places stay aligned.
QString placeInMask(const QString &mask, QChar prompt, const QString &value);

} // namespace korim::application
