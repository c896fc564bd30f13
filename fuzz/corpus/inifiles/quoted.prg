[TForm1]
FormVersion=0
Scale=°F
Count=3
Temp1=" 500 "
Time1=60
Sound1=" "
Out1="AB"
Temp2=1,5E3
Time2=-5
Sound2="
Out2=B
; comment
Temp3=
[Other]
x=y
