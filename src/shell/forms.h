#pragma once
// The single instance of each window created at start. Cross-window calls go through these.
class TForm1;
class TForm2;
class TForm7;
class TForm10;
class TForm12;
class TRsRepFrm;
class TCRJLBB;
class TLoginPicFrm;

inline TForm1 *Form1 = nullptr;
inline TForm2 *Form2 = nullptr;
inline TForm7 *Form7 = nullptr;
inline TForm10 *Form10 = nullptr;
inline TForm12 *Form12 = nullptr;
inline TRsRepFrm *RsRepFrm = nullptr;
inline TCRJLBB *CRJLBB = nullptr;
