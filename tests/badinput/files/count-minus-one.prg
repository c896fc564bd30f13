[TForm1]
FormVersion=0
Count=-1
Temp1=500
Time1=60
