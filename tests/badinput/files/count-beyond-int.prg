[TForm1]
FormVersion=0
Count=99999999999
