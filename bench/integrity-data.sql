-- 500 replicated tables of 30 columns, each with its integration triggers.
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE t INTEGER = 1;
DECLARE c INTEGER;
DECLARE cols VARCHAR(8000);
BEGIN
  WHILE (t <= 500) DO BEGIN
    cols = 'ID INTEGER NOT NULL';
    c = 2;
    WHILE (c <= 30) DO BEGIN
      cols = cols || ', C' || c || IIF(MOD(c, 3) = 0, ' INTEGER', ' VARCHAR(' || (10 + c) || ')');
      c = c + 1;
    END
    EXECUTE STATEMENT 'CREATE TABLE TAB' || t || ' (' || cols || ', CONSTRAINT PK_TAB' || t || ' PRIMARY KEY (ID))';
    t = t + 1;
  END
END^
EXECUTE BLOCK AS
DECLARE t INTEGER = 1;
BEGIN
  WHILE (t <= 500) DO BEGIN
    EXECUTE STATEMENT 'CREATE TRIGGER TAB' || t || '_INC FOR TAB' || t || ' AFTER INSERT AS BEGIN END';
    EXECUTE STATEMENT 'CREATE TRIGGER TAB' || t || '_ALT FOR TAB' || t || ' AFTER UPDATE AS BEGIN END';
    EXECUTE STATEMENT 'CREATE TRIGGER TAB' || t || '_EXC FOR TAB' || t || ' AFTER DELETE AS BEGIN END';
    t = t + 1;
  END
END^
SET TERM ; ^
