[TForm1]
FormVersion=0
Scale=°C
Count=3
Temp1=500
Time1=6