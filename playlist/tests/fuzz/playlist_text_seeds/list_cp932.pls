[playlist]File1=D:\‰¹Šy\‹È.mp3Title1=x‚
ƒ