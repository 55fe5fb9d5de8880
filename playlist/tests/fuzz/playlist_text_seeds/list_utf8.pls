[playlist]
File1=C:\Music\曲.mp3
Title1=曲
Length1=-1
File2=http://host/a=b
NumberOfEntries=2
Version=2
