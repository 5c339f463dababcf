#pragma once
// The card tab's side of the issuer's receive path: the target the receive handler writes
// its lines, fields and lookups to.
class ReplyTarget;
class TForm1;

// A new reply target on the main window's controls, owned by the window.
ReplyTarget *newCardTabReplies(TForm1 *form);
